#include <Zelkoran/Tool.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using Zelkoran::String;
using Zelkoran::Tool;

namespace fs = std::filesystem;

namespace {

std::string text(const String& s) { return std::string(s.data(), s.size()); }

std::string cwd() { return fs::current_path().generic_string(); }

} // namespace

TEST(ToolPath, FileGetDir)
{
    Tool tool;
    EXPECT_EQ(text(tool.fileGetDir("/home/user/file.txt")), "/home/user");
    EXPECT_EQ(text(tool.fileGetDir("file.txt")), "");
    EXPECT_EQ(text(tool.fileGetDir("/file")), "/");
    EXPECT_EQ(text(tool.fileGetDir("dir/sub/")), "dir/sub");
    EXPECT_EQ(text(tool.fileGetDir("a.b.c/d.e/f")), "a.b.c/d.e");
    EXPECT_EQ(text(tool.fileGetDir("a//b")), "a");
    EXPECT_EQ(text(tool.fileGetDir("C:\\games\\world.qel")), "C:/games");
    EXPECT_EQ(text(tool.fileGetDir("/home/user/.bashrc")), "/home/user");
    EXPECT_EQ(text(tool.fileGetDir("")), "");
    EXPECT_EQ(text(tool.fileGetDir(nullptr)), "");
}

TEST(ToolPath, FileGetNameInBothForms)
{
    Tool tool;
    EXPECT_EQ(text(tool.fileGetName("/x/archive.tar.gz")), "archive.tar");
    EXPECT_EQ(text(tool.fileGetName("/home/user/.bashrc")), ".bashrc");
    EXPECT_EQ(text(tool.fileGetName("dir.v2/readme")), "readme");
    EXPECT_EQ(text(tool.fileGetName("..\\maps\\world.qel")), "world");
    EXPECT_EQ(text(tool.fileGetName("file.")), "file");

    String name("stale");
    EXPECT_TRUE(tool.fileGetName("/games/world.qel", name));
    EXPECT_EQ(text(name), "world");
    for (const char* none : {"folder/", "/", "..", "a/.", "", static_cast<const char*>(nullptr)}) {
        name = "stale";
        EXPECT_FALSE(tool.fileGetName(none, name)) << (none ? none : "null");
        EXPECT_EQ(text(name), "");
    }
}

TEST(ToolPath, FileGetExtensionInBothForms)
{
    Tool tool;
    EXPECT_EQ(text(tool.fileGetExtension("a/b.PNG")), "PNG");
    EXPECT_EQ(text(tool.fileGetExtension("x.tar.gz")), "gz");
    String ext("stale");
    EXPECT_TRUE(tool.fileGetExtension("/games/World.Qel", ext));
    EXPECT_EQ(text(ext), "Qel");
    for (const char* none : {".bashrc", "dir.v2/readme", "file.", "dir.d\\file", "dir.d/", ""}) {
        ext = "stale";
        EXPECT_FALSE(tool.fileGetExtension(none, ext)) << none;
        EXPECT_EQ(text(ext), "");
    }
}

TEST(ToolPath, FileCheckExtension)
{
    Tool tool;
    EXPECT_TRUE(tool.fileCheckExtension("x.QEL", "qel"));
    EXPECT_TRUE(tool.fileCheckExtension("/a/x.qel", ".qel"));
    EXPECT_FALSE(tool.fileCheckExtension("x.qel.bak", "qel"));
    EXPECT_FALSE(tool.fileCheckExtension("qel", "qel"));
    EXPECT_FALSE(tool.fileCheckExtension(".qel", "qel"));
    EXPECT_FALSE(tool.fileCheckExtension("a.qel/", "qel"));
    EXPECT_FALSE(tool.fileCheckExtension("x.qel", nullptr));
}

TEST(ToolPath, FileGetAbsolutePath)
{
    Tool tool;
    String abs;
    ASSERT_TRUE(tool.fileGetAbsolutePath("sub/../x.qel", abs));
    EXPECT_EQ(text(abs), cwd() + "/x.qel");
    ASSERT_TRUE(tool.fileGetAbsolutePath("sub\\x.qel", abs));
    EXPECT_EQ(text(abs), cwd() + "/sub/x.qel");
    ASSERT_TRUE(tool.fileGetAbsolutePath("/tmp//a/./b/", abs));
    EXPECT_EQ(text(abs), "/tmp/a/b");
    ASSERT_TRUE(tool.fileGetAbsolutePath("/games/my.maps/../world.qel", abs));
    EXPECT_EQ(text(abs), "/games/world.qel");
    EXPECT_FALSE(tool.fileGetAbsolutePath("", abs));
    EXPECT_EQ(text(abs), "");
    EXPECT_FALSE(tool.fileGetAbsolutePath(nullptr, abs));
}

TEST(ToolPath, PathNormalize)
{
    Tool tool;
    EXPECT_EQ(text(tool.pathNormalize("a\\b\\..\\c")), "a/c");
    EXPECT_EQ(text(tool.pathNormalize("a//b///c")), "a/b/c");
    EXPECT_EQ(text(tool.pathNormalize("./a/./b/")), "a/b");
    EXPECT_EQ(text(tool.pathNormalize("../../x")), "../../x");
    EXPECT_EQ(text(tool.pathNormalize("/../x")), "/x");
    EXPECT_EQ(text(tool.pathNormalize("a/..")), ".");
    EXPECT_EQ(text(tool.pathNormalize("/")), "/");
    EXPECT_EQ(text(tool.pathNormalize("out/frames.png")), "out/frames.png");
    EXPECT_EQ(text(tool.pathNormalize("")), "");
    EXPECT_EQ(text(tool.pathNormalize(nullptr)), "");
}

TEST(ToolPath, FileExistsAndExePath)
{
    Tool tool;
    const fs::path dir = fs::temp_directory_path() / ("tool_path_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "present.qel";
    std::ofstream(file) << "x";
    EXPECT_TRUE(tool.fileExists(file.c_str()));
    EXPECT_TRUE(tool.fileExists(dir.c_str()));
    EXPECT_FALSE(tool.fileExists((dir / "absent.qel").c_str()));
    EXPECT_FALSE(tool.fileExists(""));
    EXPECT_FALSE(tool.fileExists(nullptr));
    fs::remove_all(dir);

    const std::string exeDir = text(tool.fileGetExePath());
    EXPECT_TRUE(fs::path(exeDir).is_absolute()) << exeDir;
    EXPECT_TRUE(fs::is_directory(exeDir)) << exeDir;
    EXPECT_NE(exeDir.back(), '/');
    EXPECT_TRUE(fs::equivalent(fs::path(exeDir) / fs::read_symlink("/proc/self/exe").filename(),
                               "/proc/self/exe"));
}
