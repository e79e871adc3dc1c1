// A document and view for search engine tests: the engine's word characters, and a text loaded
// with an empty, unmodified history and a given selection.
#pragma once

#include "DocHost.h"
#include "search/SearchEngine.h"
#include <string>
#include <utility>

class SearchHost : public DocHost {
protected:
    void SetUp() override {
        DocHost::SetUp();
        m_doc.GetSearchOptions().strWordChars = DefaultWordChars();
    }
    // Starts from a text with an empty, unmodified history and the selection [nStart, nEnd).
    void Load(const std::wstring& text, int nStart = 0, int nEnd = -2) {
        m_view.SetWindowText(text.c_str());
        m_view.ClearHistory(false);
        m_doc.SetModifiedFlag(false);
        m_view.SetSel(nStart, nEnd == -2 ? nStart : nEnd);
    }
    std::pair<int, int> Sel() const {
        int s = 0, e = 0;
        m_view.GetSel(s, e);
        return {s, e};
    }
};
