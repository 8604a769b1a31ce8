#include "tabs/base/BlockText.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/ExportFile.h"
#include "tabs/base/TabControls.h"

#include "services/CMemSkarden.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <cstring>

using namespace Zelkoran;

namespace {

constexpr int kTypeTop = basePanelRows::kFirstLine;
constexpr int kSizeTop = basePanelRows::kSecondLine;
constexpr int kBlockSizeTop = basePanelRows::kThirdLine;
// Wide enough for "Compressed" beside its box.
constexpr int kStorageBoxWidth = 100;

const char* const kNoFile = "No file";

} // namespace

BlockText::BlockText(Panel* panel, const BlockTextWidgets& ids) : m_panel(panel), m_ids(ids) {}

BlockText::~BlockText() { release(); }

void BlockText::createInfoWidgets(int font)
{
    const struct {
        int id;
        const char* name;
        int top;
    } labels[] = {{m_ids.typeLabel, "Type", kTypeTop},
                  {m_ids.sizeLabel, "Size", kSizeTop},
                  {m_ids.blockSizeLabel, "Blocksize", kBlockSizeTop}};
    for (const auto& label : labels)
        ui::addLabel(*m_panel,
                     {.name = label.name, .id = label.id, .x = ui::centred(), .y = ui::top(label.top), .text = "",
                      .font = font});
    const struct {
        int id;
        const char* name;
        int top;
    } boxes[] = {{m_ids.raw, "Raw", basePanelRows::kRawBox},
                 {m_ids.compressed, "Compressed", basePanelRows::kCompressedBox},
                 {m_ids.crypted, "Crypted", basePanelRows::kCryptedBox}};
    for (const auto& box : boxes)
        ui::addCheckBox(*m_panel, {.name = box.name,
                                   .id = box.id,
                                   .x = ui::centred(),
                                   .y = ui::top(box.top),
                                   .w = kStorageBoxWidth,
                                   .h = 22,
                                   .text = box.name,
                                   .font = font});
}

WidgetTextEdit* BlockText::createTextBox(int font, int width, int height)
{
    WidgetTextEdit* text = ui::addTextEdit(
        *m_panel, {.name = "ASCIIBox", .id = m_ids.text, .x = ui::left(204), .y = ui::top(4), .w = width, .h = height,
                   .font = font});
    if (text) {
        text->setText("");
        text->setFeatures(WF_ENCLOSE | WF_UNNAMED, true);
        text->setMultiline(true);
    }
    return text;
}

void BlockText::replace(unsigned char* bytes, int size)
{
    if (m_block.data == m_bytes)
        m_block.data = nullptr;
    CMem::free(m_bytes);
    m_bytes = bytes;
    m_size = bytes ? size : 0;
}

void BlockText::release()
{
    m_asStored = false;
    m_block.data = nullptr;
    replace(nullptr, 0);
    m_mode = AM_BINARY;
    m_endsWithNewline = false;
}

unsigned char* BlockText::copyLoaded(const Archive::Block& loaded, uint64_t minSize)
{
    if (loaded.size < minSize || loaded.size > kMaxLoadSize)
        return nullptr;
    auto* copy = static_cast<unsigned char*>(CMem::alloc(loaded.size > 0 ? loaded.size : 1, kSkardyMemoryModule));
    if (copy && loaded.size > 0)
        std::memcpy(copy, loaded.data, loaded.size);
    return copy;
}

int BlockText::load(Archive& archive, uint64_t minSize)
{
    if (archive.blockLoad(m_block) != 0)
        return -1;
    unsigned char* copy = copyLoaded(m_block, minSize);
    archive.blockFree(m_block);
    if (!copy)
        return -1;
    replace(copy, static_cast<int>(m_block.size));
    m_asStored = true;
    showStorageMode(m_block.storage);
    return 0;
}

void BlockText::readBack(const Archive& archive)
{
    Archive::Block stored(m_block.name, m_block.type);
    const int index = archive.blockSearch(stored);
    if (index >= 0 && archive.blockAt(index, stored) == 0) {
        m_block.storedSize = stored.storedSize;
        m_block.size = stored.size;
        m_block.storage = stored.storage;
        m_asStored = true;
    }
}

void BlockText::showNoContent() const
{
    setLabel(*m_panel, m_ids.typeLabel, kNoFile, kTypeTop);
    setLabel(*m_panel, m_ids.sizeLabel, "Size: 0 B", kSizeTop);
    setLabel(*m_panel, m_ids.blockSizeLabel, "QEL Blocksize: 0 B", kBlockSizeTop);
    if (WidgetTextEdit* text = m_panel->getTextEdit(m_ids.text))
        text->setText("");
}

bool BlockText::showsNoContent() const
{
    const WidgetLabel* type = m_panel->getLabel(m_ids.typeLabel);
    return !type || std::strcmp(type->getText(), kNoFile) == 0;
}

void BlockText::showKind(const char* text) const
{
    if (WidgetLabel* type = m_panel->getLabel(m_ids.typeLabel))
        type->setText(text, ui::centred(), ui::centred());
}

void BlockText::showSizes() const
{
    if (!m_bytes)
        return;
    if (WidgetLabel* type = m_panel->getLabel(m_ids.typeLabel))
        type->setPosition(ui::centred(), ui::top(kTypeTop));
    setLabel(*m_panel, m_ids.sizeLabel, "Size: " + humanSize(static_cast<uint64_t>(m_size)), kSizeTop);
    setLabel(*m_panel, m_ids.blockSizeLabel, "QEL Blocksize: " + humanSize(m_block.storedSize), kBlockSizeTop);
    showStorageMode(m_block.storage);
}

void BlockText::showStorageMode(uint32_t mode) const { showStorageMode(*m_panel, storageBoxes(), mode); }

void BlockText::showStorageMode(Panel& panel, const std::array<int, 3>& boxes, uint32_t mode)
{
    const bool ticked[] = {mode == Archive::ST_RAW,
                           mode == Archive::ST_COMPRESSED || mode == Archive::ST_COMPRESSED_ENCRYPTED,
                           Archive::isEncryptedStorage(mode)};
    for (size_t i = 0; i < boxes.size(); ++i)
        if (WidgetCheckBox* box = panel.getCheckBox(boxes[i]))
            box->setChecked(ticked[i]);
}

bool BlockText::takeStorageBox(int widgetId, const Archive* archive)
{
    if (widgetId != m_ids.raw && widgetId != m_ids.compressed && widgetId != m_ids.crypted)
        return false;
    m_block.storage = widgetId == m_ids.raw          ? Archive::ST_RAW
                      : widgetId == m_ids.compressed ? Archive::ST_COMPRESSED
                                                     : Archive::ST_ENCRYPTED;
    storageForSave(archive);
    return true;
}

void BlockText::followArchive(const Archive* archive)
{
    if (!m_asStored && archive && archive->isEncrypted() && !Archive::isEncryptedStorage(m_block.storage))
        m_block.storage =
            m_block.storage == Archive::ST_COMPRESSED ? Archive::ST_COMPRESSED_ENCRYPTED : Archive::ST_ENCRYPTED;
    showStorageMode(m_block.storage);
}

void BlockText::storageForSave(const Archive* archive)
{
    m_asStored = false;
    followArchive(archive);
}

void BlockText::putBack(const Storage& kept)
{
    m_block.storage = kept.mode;
    m_asStored = kept.asStored;
    showStorageMode(kept.mode);
}

bool BlockText::storageBoxOffered(int widgetId, const Archive* archive) const
{
    return widgetId != m_ids.raw || !archive || !archive->isEncrypted();
}
