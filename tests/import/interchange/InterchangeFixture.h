// VUQv1 documents for the import tests: asset files written into a test
// folder (PNG pictures, a glyph sheet, a WAV tone, a text file) and
// documents whose "@/" stands for that folder.
#pragma once

#include "support/TestFolder.h"
#include "engine/audio/AudioTestSupport.h"
#include "support/GlyphSheetMaker.h"

#include <Zelkoran/Archive.h>

#include <SDL.h>
#include <SDL_image.h>

#include <map>
#include <string>

namespace interchange {

// Pictures of w x h pixels in a few colours.
inline void writePicture(const std::string& path, int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; y += 8) {
        SDL_Rect row{0, y, w, 8};
        SDL_FillRect(s, &row, SDL_MapRGBA(s->format, static_cast<Uint8>(y * 7), 90, 200, 255));
    }
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// Written with SDL alone, so they can be made before the engine is up.
// pic.png 32x32, sheet.png 64x96 (three rows of two 32x32 cells),
// font.png a whole glyph sheet, tone.wav, notes.txt, empty.txt.
inline void writeAssets(const TestFolder& folder)
{
    writePicture(folder.path("pic.png"), 32, 32);
    writePicture(folder.path("sheet.png"), 64, 96);
    SDL_Surface* sheet = editortest::makeGlyphSheet(189);
    IMG_SavePNG(sheet, folder.path("font.png").c_str());
    SDL_FreeSurface(sheet);
    TestFolder::write(folder.path("tone.wav"), audiotest::sineWav(22050, 1, 100));
    TestFolder::write(folder.path("notes.txt"), {'h', 'i', '\n'});
    TestFolder::write(folder.path("empty.txt"), {});
}

// body with every "@/" replaced by the folder.
inline std::string place(const TestFolder& folder, std::string body)
{
    for (size_t at = body.find("@/"); at != std::string::npos; at = body.find("@/", at))
        body.replace(at, 2, folder.path(""));
    return body;
}

// A VUQv1 document around body.
inline std::string document(const TestFolder& folder, const std::string& body, int totalBlocks = 0,
                            const std::string& source = "game.xml")
{
    return "<VUQ version=\"v1\" totalblocks=\"" + std::to_string(totalBlocks) + "\" source=\"" + source + "\">"
         + place(folder, body) + "</VUQ>";
}

// Live blocks per type (hidden ones included).
inline std::map<std::string, int> blockTypes(const Zelkoran::Archive& archive)
{
    std::map<std::string, int> types;
    for (int i = 0; i < archive.getIndexCount(); ++i) {
        Zelkoran::Archive::Block block;
        if (archive.blockAt(i, block) == 0 && !block.deleted)
            ++types[std::string(block.type, strnlen(block.type, sizeof block.type))];
    }
    return types;
}

// One of each kind: image, tile, font, sprite, music, sound, two files and
// a panel of two widgets with three state images (12 elements' blocks).
inline const char* kEveryKind = R"(
<image name="hero" source="@/pic.png" alphablending="per-surface" colorkey="16711935" alphamod="200"/>
<tile name="ground" source="@/sheet.png" alphablending="none" xoffset="32" yoffset="32"/>
<font name="serif" source="@/font.png" alphablending="none" kerning="1"/>
<sprite name="walker" source="@/sheet.png" alphablending="none" xoffset="32" yoffset="32">
  <animation id="0" type="2" status="1" frames="2" hotx="0" hoty="0" starframe="0" endframe="1">
    <frame id="0" ms="100"/><frame id="1" ms="120"/>
  </animation>
  <animation id="1" type="4" status="2" frames="0" hotx="1" hoty="1" starframe="0" endframe="1"/>
  <animation id="2" type="9" status="3" frames="1" hotx="0" hoty="0" starframe="0" endframe="0">
    <frame id="0" ms="50"/>
  </animation>
</sprite>
<music name="theme" source="@/tone.wav"/>
<sound name="click" source="@/tone.wav"/>
<file name="readme" storemethod="raw" source="@/notes.txt"/>
<file name="packed" storemethod="compressed" source="@/notes.txt"/>
<guipanel name="hud" xposition="10" yposition="20" width="300" height="200" alphamod="0">
  <widget name="ok" type="button" id="1" xposition="5" yposition="5" key="13" selectboxRGB="16711680" value="0" range="0">
    <image state="normal" source="@/pic.png" alphablending="none"/>
    <image state="hovered" source="@/pic.png" alphablending="none"/>
  </widget>
  <widget name="volume" type="hslider" id="2" xposition="5" yposition="50" key="0" selectboxRGB="0" value="3" range="9">
    <image state="pressed" source="@/pic.png" alphablending="none"/>
  </widget>
</guipanel>
)";

} // namespace interchange
