// The save point on a real document, view and file: the modified mark is clear exactly when undo
// and redo bring back the text last opened or saved, across saves, new typing, Clear history, the
// word-wrap toggle and a ".LOG" stamp.
#include "DocHost.h"
#include "res/resource.h"

class EditHistorySavePointTest : public DocHost {
protected:
    void Undo() { m_frame.ExecuteCommand(ID_EDIT_UNDO); }
    void Redo() { m_frame.ExecuteCommand(ID_EDIT_REDO); }
    void Save() { ASSERT_EQ(m_doc.DoFileSave(), SaveResult::Saved); }
    // Opens a file holding `content` with the caret at the end.
    void OpenWith(const std::string& content) {
        m_path = m_dir.File(L"doc.txt");
        WriteAllBytes(m_path, Bytes(content));
        ASSERT_TRUE(Open(m_path));
        int n = m_view.GetTextLength();
        m_view.SetSel(n, n);
    }
    CTempDir m_dir;
    std::wstring m_path;
};

TEST_F(EditHistorySavePointTest, UndoPastASaveMarksModifiedAndRedoBackToItClearsTheMark) {
    OpenWith("abc");
    Type(L"X");
    Save();
    EXPECT_EQ(ReadAllBytes(m_path), Bytes("abcX"));
    EXPECT_FALSE(m_doc.IsModified());

    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(m_doc.IsModified()) << "the file holds abcX";
    Redo();
    EXPECT_EQ(Text(), L"abcX");
    EXPECT_FALSE(m_doc.IsModified());

    // What is typed after the save is a step of its own, so undo stops at the saved text.
    Type(L"Y");
    EXPECT_TRUE(m_doc.IsModified());
    Undo();
    EXPECT_EQ(Text(), L"abcX");
    EXPECT_FALSE(m_doc.IsModified());
    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(m_doc.IsModified());
    Redo();
    Redo();
    EXPECT_EQ(Text(), L"abcXY");
    EXPECT_TRUE(m_doc.IsModified());

    // A save in the middle of the chain moves the point there.
    Undo();
    Undo();
    Save();
    EXPECT_EQ(ReadAllBytes(m_path), Bytes("abc"));
    Redo();
    EXPECT_TRUE(m_doc.IsModified());
    Undo();
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(EditHistorySavePointTest, TheSavePointGoesWithTheRedoChainThatHeldIt) {
    OpenWith("abc");
    Type(L"X");
    Save();
    Undo();
    Type(L"Z"); // drops the redo chain, and with it the saved text
    EXPECT_FALSE(m_view.GetHistory().HasSavePoint());
    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_TRUE(m_doc.IsModified());
    Redo();
    EXPECT_EQ(Text(), L"abcZ");
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(EditHistorySavePointTest, ClearHistoryAndWordWrapKeepTheSavedTextReachableOnlyWhenUnmodified) {
    OpenWith("abc");
    for (UINT nCommand : {ID_EDIT_CLEAR_HISTORY, ID_FORMAT_WORD_WRAP}) {
        SCOPED_TRACE(nCommand);
        // Unmodified: the cleared history's root is the saved text.
        Type(L"X");
        Save();
        m_frame.ExecuteCommand(nCommand);
        EXPECT_FALSE(m_doc.IsModified());
        Type(L"Y");
        Undo();
        EXPECT_EQ(Text(), L"abcX");
        EXPECT_FALSE(m_doc.IsModified());

        // Modified: no undo reaches the saved text any more.
        Type(L"Y");
        m_frame.ExecuteCommand(nCommand);
        EXPECT_TRUE(m_doc.IsModified());
        Type(L"Z");
        Undo();
        EXPECT_EQ(Text(), L"abcXY");
        EXPECT_TRUE(m_doc.IsModified());
        OpenWith("abc");
    }
    if (m_view.IsWordWrap())
        m_frame.ExecuteCommand(ID_FORMAT_WORD_WRAP);
}

TEST_F(EditHistorySavePointTest, AStampedLogFileIsNotTheFileItWasOpenedFrom) {
    OpenWith(".LOG\r\n");
    ASSERT_TRUE(m_doc.IsModified());
    ASSERT_GT(m_view.GetTextLength(), 6);
    Type(L"x");
    Undo();
    EXPECT_TRUE(m_doc.IsModified()) << "the stamp is in the text but not in the file";
}
