#include "tabs/ProtocolTab.h"
#include "tabs/base/TextView.h"

#include <string>
#include <vector>

namespace {

using namespace Zelkoran;
using Mode = ASCIIMode;

class TextBufferTest : public ProtocolTest {
protected:
    Panel& panel() const { return tab->tabServices().panel(); }

    // Shows bytes in the text edit; the mode and flag it gave.
    void show(const std::string& bytes)
    {
        mode = Mode::AM_BINARY;
        endsWithNewline = false;
        EXPECT_EQ(checkAndPopulateASCII(panel(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                        static_cast<int>(bytes.size()), mode, endsWithNewline, ProtocolTab::kTextEdit),
                  0);
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> shown;
        for (int i = 1; i <= tab->textEdit()->getLineCount(); ++i)
            shown.emplace_back(tab->textEdit()->getLine(i).c_str());
        return shown;
    }

    // The buffer rebuilt from the edit with the remembered mode and flag;
    // "<none>" when there is none.
    std::string rebuild() const
    {
        unsigned char* buffer = nullptr;
        int length = -1;
        if (rebuildTextBufferFromTextEdit(panel(), ProtocolTab::kTextEdit, mode, endsWithNewline, buffer, length)
            != 0) {
            EXPECT_EQ(buffer, nullptr);
            EXPECT_EQ(length, 0);
            return "<none>";
        }
        std::string bytes(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
        CMem::free(buffer);
        return bytes;
    }

    Mode mode = Mode::AM_BINARY;
    bool endsWithNewline = false;
};

struct TextCase {
    std::string bytes;
    std::vector<std::string> lines;
    Mode mode;
    bool endsWithNewline;
};

TEST_F(TextBufferTest, UneditedTextComesBackByteForByte)
{
    const std::vector<TextCase> cases = {
        {"a\r\nb\r\n", {"a", "b"}, Mode::AM_CRLF, true},
        {"a\nb", {"a", "b"}, Mode::AM_LF, false},
        {"abc\n", {"abc"}, Mode::AM_LF, true},
        {"abc", {"abc"}, Mode::AM_ONE_LINE, false},
        {"a\r\nb\nc", {"a", "b\nc"}, Mode::AM_CRLF, false},
        {"abc\r", {"abc\r"}, Mode::AM_ONE_LINE, true},
        {"\n\n", {"", ""}, Mode::AM_LF, true},
        {"a\r\n\r\n", {"a", ""}, Mode::AM_CRLF, true},
        {"tab\there\xc8\n", {"tab\there\xc8"}, Mode::AM_LF, true},
        // A lone break at the end that is not the buffer's separator stays
        // in the last line and gets no separator after it.
        {"a\nb\r", {"a", "b\r"}, Mode::AM_LF, false},
        {"a\r\nb\n", {"a", "b\n"}, Mode::AM_CRLF, false},
        {"a\r\nb\r", {"a", "b\r"}, Mode::AM_CRLF, false},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        show(c.bytes);
        EXPECT_EQ(mode, c.mode);
        EXPECT_EQ(endsWithNewline, c.endsWithNewline);
        EXPECT_EQ(lines(), c.lines);
        EXPECT_NE(tab->textEdit()->status(), 0);
        EXPECT_EQ(rebuild(), c.bytes);
    }
}

TEST_F(TextBufferTest, ABufferWithAControlByteIsNotText)
{
    for (const std::string& bytes : {std::string("ab\0c", 4), std::string("\x07"), std::string("end\x7f")}) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        show("shown before");
        show(bytes);
        EXPECT_EQ(mode, Mode::AM_BINARY);
        EXPECT_FALSE(endsWithNewline);
        EXPECT_EQ(tab->textEdit()->status(), 0);
        EXPECT_EQ(tab->textEdit()->getText(), "");
        EXPECT_EQ(rebuild(), "<none>");
    }
    show("ok again");
    EXPECT_NE(tab->textEdit()->status(), 0);
}

TEST_F(TextBufferTest, ANullBufferChangesNothing)
{
    show("kept\n");
    ASSERT_EQ(checkAndPopulateASCII(panel(), nullptr, 5, mode, endsWithNewline, ProtocolTab::kTextEdit), 0);
    EXPECT_EQ(mode, Mode::AM_LF);
    EXPECT_TRUE(endsWithNewline);
    EXPECT_EQ(lines(), (std::vector<std::string>{"kept"}));
}

TEST_F(TextBufferTest, LinesTheUserAddsGetTheBuffersSeparator)
{
    show("one");
    tab->textEdit()->appendLine("two");
    EXPECT_EQ(rebuild(), "one\ntwo");
    endsWithNewline = true;
    EXPECT_EQ(rebuild(), "one\ntwo\n");

    show("a\r\nb\r\n");
    tab->textEdit()->appendLine("c");
    EXPECT_EQ(rebuild(), "a\r\nb\r\nc\r\n");
}

TEST_F(TextBufferTest, ARebuildNeedsTextToHold)
{
    show("");
    EXPECT_EQ(mode, Mode::AM_ONE_LINE);
    EXPECT_FALSE(endsWithNewline);
    EXPECT_EQ(rebuild(), "<none>");

    show("text");
    unsigned char* buffer = nullptr;
    int length = -1;
    EXPECT_EQ(rebuildTextBufferFromTextEdit(panel(), 901, Mode::AM_LF, false, buffer, length), -1);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(length, 0);

    // The buffer is the editor's memory until the caller frees it.
    const CMem::ModuleStats before = CMem::getStats(kSkardyMemoryModule);
    ASSERT_EQ(rebuildTextBufferFromTextEdit(panel(), ProtocolTab::kTextEdit, mode, false, buffer, length), 0);
    EXPECT_EQ(CMem::getStats(kSkardyMemoryModule).allocations, before.allocations + 1);
    CMem::free(buffer);
    EXPECT_EQ(CMem::getStats(kSkardyMemoryModule).liveBytes, before.liveBytes);
}

} // namespace
