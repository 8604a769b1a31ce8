// Tool's file, path, string, number and random helpers. The dialogs live
// with the GUI toolkit.
#include <Zelkoran/Tool.h>

#include "core/PathText.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <strings.h>

namespace Zelkoran {

namespace fs = std::filesystem;
using PathText::normalized;
using PathText::toPath;
using PathText::toString;

namespace {

// The file name part, empty for folders ("a/", ".", "..").
fs::path fileNameOf(const char* path)
{
    if (!path || !*path)
        return {};
    fs::path name = toPath(path).filename();
    if (name == "." || name == "..")
        return {};
    return name;
}

constexpr uint32_t kMwcSeedZ = 362436069u;
constexpr uint32_t kMwcSeedW = 521288629u;
constexpr uint32_t kWellDefaultSeed = 5489u;

} // namespace

Tool::Tool() { randSeedWELL(kWellDefaultSeed, nullptr); }

// --- files and paths ---

bool Tool::fileExists(const char* path)
{
    std::error_code ec;
    return path && *path && fs::exists(fs::path(path), ec);
}

String Tool::fileGetDir(const char* path)
{
    if (!path || !*path)
        return {};
    String dir = toString(toPath(path).parent_path());
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

String Tool::fileGetName(const char* path)
{
    String name;
    fileGetName(path, name);
    return name;
}

bool Tool::fileGetName(const char* path, String& name)
{
    name = toString(fileNameOf(path).stem());
    return !name.empty();
}

String Tool::fileGetExtension(const char* path)
{
    String ext;
    fileGetExtension(path, ext);
    return ext;
}

bool Tool::fileGetExtension(const char* path, String& ext)
{
    const String dotted = toString(fileNameOf(path).extension());
    ext = dotted.empty() ? String() : dotted.substr(1);
    return !ext.empty();
}

bool Tool::fileCheckExtension(const char* path, const char* ext)
{
    if (!ext)
        return false;
    if (*ext == '.')
        ++ext;
    String actual;
    return fileGetExtension(path, actual) && strcasecmp(actual.c_str(), ext) == 0;
}

bool Tool::fileGetAbsolutePath(const char* path, String& absolute)
{
    absolute.clear();
    return path && *path && PathText::absolute(toPath(path), absolute);
}

String Tool::fileGetExePath()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        exe = fs::current_path(ec) / "unknown";
    return normalized(exe.parent_path());
}

String Tool::pathNormalize(const char* path)
{
    if (!path || !*path)
        return {};
    return normalized(toPath(path));
}

String Tool::fileNameFor(const char* name) { return PathText::fileNameFor(name ? name : ""); }

// --- strings and numbers ---

size_t Tool::szCopy(char* dst, const char* src, size_t size)
{
    if (!dst || size == 0)
        return 0;
    const size_t count = src ? strnlen(src, size - 1) : 0;
    std::memcpy(dst, src ? src : "", count);
    dst[count] = '\0';
    return count;
}

size_t Tool::utf8Prefix(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

size_t Tool::utf8CharLength(std::string_view text, size_t i)
{
    size_t n = 1;
    while (n < 4 && i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

int Tool::strDecToInt(const char* text)
{
    if (!text)
        return 0;
    const long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void Tool::intToStrDec(int value, String& out)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.assign(digits, end);
}

void Tool::strToLowerCase(String& text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

int Tool::strCompare(const char* a, const char* b, int n, bool ignoreCase)
{
    if (!a || !b)
        return a == b;
    if (n < 0)
        return (ignoreCase ? strcasecmp(a, b) : std::strcmp(a, b)) == 0;
    const auto count = static_cast<size_t>(n);
    return (ignoreCase ? strncasecmp(a, b, count) : std::strncmp(a, b, count)) == 0;
}

void Tool::strTovStr(const char* text, const char* separator, Vector<String>& parts)
{
    parts.clear();
    if (!text)
        return;
    const std::string_view all(text);
    const std::string_view sep(separator ? separator : "");
    if (sep.empty()) {
        parts.emplace_back(all.data(), all.size());
        return;
    }
    size_t start = 0;
    for (size_t hit = all.find(sep); hit != std::string_view::npos; hit = all.find(sep, start)) {
        parts.emplace_back(all.data() + start, hit - start);
        start = hit + sep.size();
    }
    parts.emplace_back(all.data() + start, all.size() - start);
}

bool Tool::decodeBase64(const char* text, Vector<uint8_t>& bytes, bool skipBlanks)
{
    bytes.clear();
    if (!text)
        return false;
    std::string clean;
    for (const char* p = text; *p; ++p) {
        if (std::isspace(static_cast<unsigned char>(*p))) {
            if (!skipBlanks)
                return false;
            continue;
        }
        clean.push_back(*p);
    }
    // Padding is optional: drop what is there and add what the decoder needs.
    size_t padding = 0;
    while (padding < 2 && !clean.empty() && clean.back() == '=') {
        clean.pop_back();
        ++padding;
    }
    if (padding > 0 && (clean.size() + padding) % 4 != 0)
        return false;
    const size_t dataLength = clean.size();
    if (clean.find('=') != std::string::npos || dataLength % 4 == 1 || dataLength > INT_MAX - 3)
        return false;
    const size_t pad = (4 - dataLength % 4) % 4;
    clean.append(pad, '=');
    if (clean.empty())
        return true;
    bytes.resize(clean.size() / 4 * 3);
    // The decoder checks the alphabet; it counts padding as zero bytes.
    const int decoded = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                                        static_cast<int>(clean.size()));
    if (decoded < 0) {
        bytes.clear();
        return false;
    }
    bytes.resize(static_cast<size_t>(decoded) - pad);
    return true;
}

// --- random numbers ---

uint32_t Tool::randMWC()
{
    m_mwcZ = 36969u * (m_mwcZ & 0xFFFFu) + (m_mwcZ >> 16);
    m_mwcW = 18000u * (m_mwcW & 0xFFFFu) + (m_mwcW >> 16);
    return (m_mwcZ << 16) + m_mwcW;
}

void Tool::randSeedMWC(uint32_t seed)
{
    std::seed_seq sequence{seed};
    uint32_t words[2];
    sequence.generate(words, words + 2);
    // Zero and the multipliers' fixed points would lock a half at one value.
    m_mwcZ = (words[0] == 0 || words[0] == 0x9068FFFFu) ? kMwcSeedZ : words[0];
    m_mwcW = (words[1] == 0 || words[1] == 0x464FFFFFu) ? kMwcSeedW : words[1];
}

void Tool::randSeedWELL(uint32_t seed, const uint32_t* state)
{
    m_wellIndex = 0;
    if (state && std::any_of(state, state + 16, [](uint32_t word) { return word != 0; })) {
        std::copy(state, state + 16, m_well);
        return;
    }
    std::seed_seq sequence{seed};
    sequence.generate(std::begin(m_well), std::end(m_well));
}

// WELL512a as published by Panneton, L'Ecuyer and Matsumoto.
uint32_t Tool::randWELL()
{
    uint32_t a = m_well[m_wellIndex];
    uint32_t c = m_well[(m_wellIndex + 13) & 15];
    const uint32_t b = a ^ c ^ (a << 16) ^ (c << 15);
    c = m_well[(m_wellIndex + 9) & 15];
    c ^= c >> 11;
    a = m_well[m_wellIndex] = b ^ c;
    const uint32_t d = a ^ ((a << 5) & 0xDA442D24u);
    m_wellIndex = (m_wellIndex + 15) & 15;
    a = m_well[m_wellIndex];
    m_well[m_wellIndex] = a ^ b ^ d ^ (a << 2) ^ (b << 18) ^ (c << 28);
    return m_well[m_wellIndex];
}

} // namespace Zelkoran
