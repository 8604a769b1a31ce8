#include "tabs/scenes/SceneFileNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A run beside a block named "grass.png".
class BesideGrass : public SceneFileNames {
public:
    using SceneFileNames::SceneFileNames;

protected:
    bool taken(const string& name, const string&) const override { return name == "grass.png"; }
};

TEST(SceneFileNamesTest, EachSourceKeepsOneNameAndNoNameIsGivenTwice)
{
    BesideGrass names(12);
    const struct {
        const char* source;
        const char* wanted;
        const char* name;
    } cases[] = {
        {"a/grass.png", "grass.png", "grass_2.png"}, // taken by a block of the archive
        {"b/grass.png", "grass.png", "grass_3.png"},
        {"a/grass.png", "grass.png", "grass_2.png"}, // the same source again
        {"c/forests.png", "forests.png", "forests.png"},
        {"d/forests.png", "forests.png", "forest_2.png"}, // cut to 12 bytes with its suffix
        {"e/readme", "readme", "readme"},
        // 13 bytes: the last two-byte character goes whole
        {"f/t\xC3\xA9t\xC3\xA9t\xC3\xA9.png", "t\xC3\xA9t\xC3\xA9t\xC3\xA9.png", "t\xC3\xA9t\xC3\xA9t.png"},
        {"g/x.verylongext", "x.verylongext", ""}, // not even one character fits
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string(names.nameFor(c.source, c.wanted).c_str()), c.name) << c.source;
}

} // namespace
