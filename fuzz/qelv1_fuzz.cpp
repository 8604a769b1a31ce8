// Runs the QELv1 upgrade and the QELv2 probe on arbitrary files, with and
// without a key. The header checksum is made to match first (for a plain
// index, or one encrypted with kFuzzKey), so that inputs get past it to
// the entries.
#include "import/legacy/LegacyFileSupport.h"
#include "import/legacy/LegacyQELUpgrade.h"

#include <Zelkoran/Internal.h>

#include <xxhash.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char kFuzzKey[] = "fuzz key";
constexpr uint32_t kSeed = 41752906;

using legacyfile::getU32;

void sealHeader(std::vector<uint8_t>& file)
{
    if (file.size() < 264 || std::memcmp(file.data(), "QELv1.1", 8) != 0)
        return;
    const uint32_t count = getU32(file.data() + 8 + 116);
    if (count < 1 || count > 4096 || file.size() < 264 + size_t{count} * 128)
        return;
    std::vector<uint8_t> header(file.begin() + 8, file.begin() + 264);
    std::vector<uint8_t> index(file.begin() + 264, file.begin() + 264 + size_t{count} * 128);
    std::memset(header.data() + 112, 0, 4);
    if (std::memcmp(header.data(), "SecureQEL ", 10) == 0) {
        unsigned char key[32] = {};
        std::memcpy(key, kFuzzKey, sizeof kFuzzKey - 1);
        std::memcpy(header.data() + 120, key, sizeof key);
        aes_decrypt_ctx context;
        aes_decrypt_key256(key, &context);
        aes_ecb_decrypt(index.data(), index.data(), static_cast<int>(index.size()), &context);
    }
    XXH32_state_t* state = XXH32_createState();
    XXH32_reset(state, kSeed);
    XXH32_update(state, file.data(), 8);
    XXH32_update(state, header.data(), header.size());
    XXH32_update(state, index.data(), index.size());
    const uint32_t sum = XXH32_digest(state);
    XXH32_freeState(state);
    for (int i = 0; i < 4; ++i)
        file[8 + 112 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

// A folder of its own for the process, removed at exit.
struct WorkFolder {
    std::string path;
    WorkFolder()
    {
        path = (std::filesystem::temp_directory_path() / "qelv1-fuzz-XXXXXX").string();
        if (!mkdtemp(path.data()))
            std::abort();
    }
    ~WorkFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& workFolder()
{
    static const WorkFolder folder;
    return folder.path;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    sealHeader(file);
    const std::string path = workFolder() + "/input.qel";
    const Zelkoran::String archive(path.c_str());
    bool upgraded = false, needKey = false, hasEncryptedBlocks = false;

    const struct {
        const char* key;
        eLegacyQELEncryptedBlockPolicy policy;
    } calls[] = {{nullptr, LQEB_ASK}, {kFuzzKey, LQEB_KEEP_ENCRYPTED}, {kFuzzKey, LQEB_STORE_RAW}};
    for (const auto& call : calls) {
        writeFile(path, file);
        upgradeLegacyQELFileToQELv2(archive, call.key, call.key ? sizeof kFuzzKey - 1 : 0, call.policy, upgraded,
                                    needKey, hasEncryptedBlocks);
    }
    bool isQELv2 = false, encryptedIndex = false, encryptedBlocks = false;
    getQELv2EncryptionState(archive, isQELv2, encryptedIndex, encryptedBlocks);

    for (const auto& entry : std::filesystem::directory_iterator(workFolder()))
        std::filesystem::remove_all(entry.path());
    return 0;
}
