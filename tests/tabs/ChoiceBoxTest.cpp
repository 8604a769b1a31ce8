// The choice box: rows laid out from the wrapped texts, numbered widgets,
// and the answers a user can give (row button, Cancel, 'c', closing the window).
#include "tabs/TabFixture.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/ctrlBaseControls.h"

#include <Zelkoran/Font.h>

#include <SDL.h>

#include <string>
#include <vector>

namespace {

using namespace Zelkoran;
using namespace CtrlBaseControls;
namespace TS = Zelkoran::TestSupport;

// What the dialog showed: its name, rectangle and labels (id, text, rect).
struct Seen {
    std::string name;
    SDL_Rect rect{};
    std::vector<std::pair<int, std::string>> labels;
    std::vector<std::string> labelNames;
    std::vector<SDL_Rect> rows;
    SDL_Rect button{};
    SDL_Rect cancel{};
    int cancelKey = 0;
};

class ChoiceBoxTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        tab = &makeProbe();
        TS::setModalWatchdog(5000);
        TS::clearModalLog();
    }
    void TearDown() override
    {
        TS::clearAnswers();
        TS::setModalWatchdog(0);
        TabTest::TearDown();
    }

    const Font* font() { return Main::instance()->fontMgr()->get(resources->get(SR_FONT)); }
    int lineHeight() { return font()->getHeight() + 2; }

    // Asks, records the dialog as it came up, then answers with answer(panelId).
    int ask(const std::string& message, const ChoiceBoxOptions& options,
            std::function<void(int)> answer, int buttonOfInterest = 0)
    {
        TS::pushScript([this, answer, buttonOfInterest](int id) {
            Panel* p = editortest::panel(id);
            seen = Seen{};
            seen.name = p->getName();
            seen.rect = p->baseWidget()->getRect();
            for (Widget* w : p->children()) {
                if (w->getType() == WT_LABEL) {
                    seen.labels.emplace_back(w->getID(), static_cast<WidgetLabel*>(w)->getText());
                    seen.labelNames.emplace_back(w->getName());
                } else if (w->getType() == WT_FRAME)
                    seen.rows.push_back(w->getRect());
            }
            if (WidgetButton* b = p->getButton(buttonOfInterest))
                seen.button = b->getRect();
            if (WidgetButton* c = p->getButton(CB_CANCEL)) {
                seen.cancel = c->getRect();
                seen.cancelKey = c->getKey();
            }
            answer(id);
        });
        return choiceBox(tab->tabServices(), "Export", message.c_str(), options, "Cancel");
    }

    std::vector<std::string> labelTexts() const
    {
        std::vector<std::string> out;
        for (const auto& l : seen.labels)
            out.push_back(l.second);
        return out;
    }

    static ChoiceBoxOptions twoOptions()
    {
        return {{4, "Scene only", "Writes the TMX file.", "Scene"},
                {8, "Scene and tile sets", "Writes the TMX file with its tile sets and images.", "Everything"}};
    }

    ProbeTab* tab = nullptr;
    Seen seen;
};

TEST_F(ChoiceBoxTest, ReturnsThePressedRowAndClosesItsPanel)
{
    int panelId = 0;
    EXPECT_EQ(ask("", twoOptions(), [&](int id) { panelId = id; TS::clickWidget(id, 8); }, 8), 8);
    EXPECT_EQ(editortest::panel(panelId), nullptr);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_EQ(TS::modalLog()[0].title, "Export");
    EXPECT_EQ(TS::modalLog()[0].panelId, panelId);
    EXPECT_EQ(ask("", twoOptions(), [](int id) { TS::clickWidget(id, 4); }), 4);
}

TEST_F(ChoiceBoxTest, CancelTheCKeyAndQuitAllAnswerTwo)
{
    EXPECT_EQ(ask("", twoOptions(), [](int id) { TS::clickWidget(id, CB_CANCEL); }), CB_CANCEL);
    EXPECT_EQ(seen.cancelKey, 'c');
    EXPECT_EQ(ask("", twoOptions(), [](int) { TS::key(SDLK_c); }), CB_CANCEL);
    EXPECT_EQ(ask("", twoOptions(), [](int) { TS::quit(); }), CB_CANCEL);
    // The quit goes on to the main loop.
    int quits = 0;
    for (const SDL_Event& e : TS::pump())
        quits += e.type == SDL_QUIT;
    EXPECT_EQ(quits, 1);
}

TEST_F(ChoiceBoxTest, NoOptionShowsNothingAndTakesNoNumber)
{
    ask("", twoOptions(), [](int id) { TS::clickWidget(id, CB_CANCEL); });
    const int n = std::stoi(seen.name.substr(std::string("ChoiceBox").size()));
    EXPECT_EQ(choiceBox(tab->tabServices(), "Export", "Pick one", {}, "Cancel"), CB_CANCEL);
    EXPECT_EQ(TS::modalLog().size(), 1u);
    ask("", twoOptions(), [](int id) { TS::clickWidget(id, CB_CANCEL); });
    EXPECT_EQ(seen.name, "ChoiceBox" + std::to_string(n + 1));
}

TEST_F(ChoiceBoxTest, RowsFollowEachOtherBelowTheMessage)
{
    const int line = lineHeight();
    ask("", twoOptions(), [](int id) { TS::clickWidget(id, CB_CANCEL); }, 4);
    ASSERT_EQ(seen.rows.size(), 2u);
    const int rowHeight = std::max(58, 2 * line + 26); // one title and one description line
    EXPECT_EQ(seen.rect.w, 535);
    EXPECT_EQ(seen.rect.h, 2 * rowHeight + 103) << "no message: the rows and the frame alone";
    EXPECT_EQ(seen.rows[0].y - seen.rect.y, 40);
    EXPECT_EQ(seen.rows[0].x - seen.rect.x, 16);
    EXPECT_EQ(seen.rows[0].w, 503);
    EXPECT_EQ(seen.rows[0].h, rowHeight);
    EXPECT_EQ(seen.rows[1].y, seen.rows[0].y + rowHeight);
    EXPECT_EQ(seen.button.w, 122);
    EXPECT_EQ(seen.rect.x + seen.rect.w - (seen.button.x + seen.button.w), 30);
    EXPECT_EQ(seen.button.y - seen.rect.y, 40 + (rowHeight - 24) / 2 - 4);
    EXPECT_EQ(seen.rect.x + seen.rect.w - (seen.cancel.x + seen.cancel.w), 16);
    EXPECT_EQ(seen.rect.y + seen.rect.h - (seen.cancel.y + seen.cancel.h), 15);
    EXPECT_EQ(seen.cancel.w, 80);
    // Labels: titles then descriptions, row by row, from 12800.
    ASSERT_EQ(seen.labels.size(), 4u);
    EXPECT_EQ(labelTexts(), (std::vector<std::string>{"Scene only", "Writes the TMX file.", "Scene and tile sets",
                                                      "Writes the TMX file with its tile sets and images."}));
    for (size_t i = 0; i < seen.labels.size(); ++i)
        EXPECT_EQ(seen.labels[i].first, CB_FIRST_LABEL + static_cast<int>(i));
    const std::string n = seen.name.substr(std::string("ChoiceBox").size());
    EXPECT_EQ(seen.labelNames[2], "ChoiceBoxTitle" + n + "_1_0");
    EXPECT_EQ(seen.labelNames[3], "ChoiceBoxDescription" + n + "_1_0");
}

TEST_F(ChoiceBoxTest, LongTextsWrapIntoTallerRows)
{
    const int line = lineHeight();
    std::string title, description;
    for (int i = 0; i < 12; ++i)
        title += "Heading words ";
    for (int i = 0; i < 30; ++i)
        description += "more text ";
    ask("Choose how the scene leaves the archive.", {{4, title.c_str(), description.c_str(), "Go"}},
        [](int id) { TS::clickWidget(id, 4); }, 4);
    // Every label fits its width; the title and description took several lines.
    int titleLines = 0, descriptionLines = 0;
    for (size_t i = 0; i < seen.labels.size(); ++i) {
        const std::string& text = seen.labels[i].second;
        const bool message = seen.labelNames[i].rfind("ChoiceBoxMessage", 0) == 0;
        EXPECT_LE(font()->getWidth(text.c_str(), -1), message ? 499 : 345) << text;
        titleLines += seen.labelNames[i].rfind("ChoiceBoxTitle", 0) == 0;
        descriptionLines += seen.labelNames[i].rfind("ChoiceBoxDescription", 0) == 0;
    }
    ASSERT_GE(titleLines, 2);
    ASSERT_GE(descriptionLines, 2);
    const int rowHeight = std::max(58, (titleLines + descriptionLines) * line + 26);
    ASSERT_EQ(seen.rows.size(), 1u);
    EXPECT_EQ(seen.rows[0].h, rowHeight);
    EXPECT_EQ(seen.rows[0].y - seen.rect.y, 40 + line + 8) << "one message line above the rows";
    EXPECT_EQ(seen.rect.h, (line + 8) + rowHeight + 103);
}

TEST_F(ChoiceBoxTest, MessageLinesKeepParagraphsAndCutOverlongWords)
{
    const std::string longWord(200, 'W');
    std::string wide;
    for (int i = 0; i < 120; ++i)
        wide += "\xD0\xA9"; // Щ, wider than the replacement a cut-off lead byte measures as
    const std::string message = "   first\n\nsecond " + longWord + " third\n" + wide + "\n";
    ask(message, twoOptions(), [](int id) { TS::clickWidget(id, CB_CANCEL); });
    std::vector<std::string> lines;
    for (size_t i = 0; i < seen.labels.size(); ++i)
        if (seen.labelNames[i].rfind("ChoiceBoxMessage", 0) == 0)
            lines.push_back(seen.labels[i].second);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "first") << "leading blanks are dropped";
    EXPECT_EQ(lines[1], "") << "two LF in a row give an empty line";
    EXPECT_EQ(lines[2], "second");
    // The long word is cut into pieces of its own that each fit.
    std::string joined;
    size_t i = 3;
    for (; i < lines.size() && lines[i].find_first_not_of('W') == std::string::npos; ++i) {
        EXPECT_LE(font()->getWidth(lines[i].c_str(), -1), 499);
        joined += lines[i];
    }
    EXPECT_EQ(joined, longWord);
    ASSERT_LT(i + 1, lines.size());
    EXPECT_EQ(lines[i], "third");
    // A word of two-byte characters is cut between characters only.
    std::string rejoined;
    for (++i; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size() % 2, 0u) << "a line ends inside a UTF-8 sequence";
        EXPECT_EQ(static_cast<unsigned char>(lines[i][0]), 0xD0u);
        rejoined += lines[i];
    }
    EXPECT_EQ(rejoined, wide) << "the final LF adds no line";
}

} // namespace
