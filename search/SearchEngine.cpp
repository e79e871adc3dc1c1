#include "search/SearchEngine.h"
#include "document/TessarinDoc.h"

// Stand-ins until the engine lands: the options are stored, nothing is searched yet.
void ApplySearchRequest(CTessarinDoc& doc, int nAction, const SearchRequest& request) {
    SearchOptions& options = doc.GetSearchOptions();
    options.strFind = request.strFind;
    options.fWholeWord = request.fWholeWord;
    options.fMatchCase = request.fMatchCase;
    options.fSearchDown = request.fSearchDown;
    if (request.bReplaceDialog)
        options.strReplace = request.strReplace;
    (void)nAction;
}

bool FindNext(CTessarinDoc&) {
    return false;
}
void ReplaceNext(CTessarinDoc&) {}
void ReplaceAll(CTessarinDoc&) {}
