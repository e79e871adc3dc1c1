#pragma once
// CTessarinDoc: the editor's one document. It owns the path and the file's encoding and line
// ending (the current pair) and the pair asked for by the next open or Save As (the requested
// pair); it reads files into the view's edit control, writes them back, stamps ".LOG" files and
// has the view watch the file for changes made elsewhere.
#include "doc/Encoding.h"
#include "framework/Document.h"

class CTessarinView;

class CTessarinDoc : public CDocument {
public:
    CTessarinDoc() = default;

    bool OnNewDocument() override;
    bool OnOpenDocument(const wchar_t* pszPathName) override;
    bool OnSaveDocument(const wchar_t* pszPathName) override;
    void OnCloseDocument() override;
    bool SaveModified() override;
    bool DoSave(const wchar_t* pszPathName, bool bReplace = true) override;

    // The pair of the file as last read or written.
    void GetFileFormat(EncodingId& encoding, LineEndingId& lineEnding) const {
        encoding = m_nEncoding;
        lineEnding = m_nLineEnding;
    }
    // The pair the next open reads with and the next Save As writes; not checked.
    void SetRequestedFormat(EncodingId encoding, LineEndingId lineEnding) {
        m_nReqEncoding = encoding;
        m_nReqLineEnding = lineEnding;
    }
    void GetRequestedFormat(EncodingId& encoding, LineEndingId& lineEnding) const {
        encoding = m_nReqEncoding;
        lineEnding = m_nReqLineEnding;
    }

    CTessarinView* GetView() const;

private:
    // Appends the date and time when the text starts with ".LOG" and has more after it.
    void StampLogFile(CTessarinView& view);
    // The pair a save writes: the requested one right after the Save As dialog, else the current.
    void SaveTarget(EncodingId& encoding, LineEndingId& lineEnding) const;

    EncodingId m_nEncoding = EncodingId::SjisAuto;
    LineEndingId m_nLineEnding = LineEndingId::Crlf;
    EncodingId m_nReqEncoding = EncodingId::Unspecified;
    LineEndingId m_nReqLineEnding = LineEndingId::Unspecified;
    bool m_bSaveAsConfirmed = false; // set while a save that follows the Save As dialog runs
};
