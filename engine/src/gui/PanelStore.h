// The "ZK7_GUIPANEL" block: a panel with its settings and every widget with
// all its properties. docs/panel-format.md gives the layout byte by byte;
// all integers are little-endian, floats IEEE-754 single precision.
// PanelStoreWrite.cpp writes it, PanelStoreRead.cpp reads it.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran {

class Panel;

namespace panelstore {

inline constexpr const char* kPanelBlockType = "ZK7_GUIPANEL";
// Longest text a block holds (widget texts, list rows, tooltips).
inline constexpr uint32_t kMaxText = 1u << 20;
// Longest widget name.
inline constexpr uint32_t kMaxWidgetName = 127;
// Most widgets a block holds.
inline constexpr uint32_t kMaxWidgets = 65536;
// Most rows of one list or combo box.
inline constexpr uint32_t kMaxRows = 1u << 20;
inline constexpr char kMagic[3] = {'Z', 'K', 'G'};
inline constexpr uint8_t kVersion = 1;
// Flags byte of a widget record.
inline constexpr uint8_t kShown = 1, kEnabled = 2, kOwnSize = 4;

// The block bytes of panel. 0 or RC_ERR_NO_MEMORY.
int encodePanel(const Panel& panel, Vector<uint8_t>& out);

// Fills panel (new and empty) from a block; skin images are loaded from
// archiveId, and what cannot be had is named in leftOut (may be null) as
// GUIMgr::load says; with imageNames only the skin image names are noted
// there (nothing is loaded then: no image, font or sprite). 0 or
// RC_ERR_CORRUPT; after a failure the panel holds a part of the widgets and
// the caller closes it.
int decodePanel(const uint8_t* data, size_t size, int archiveId, Panel& panel, Vector<String>* leftOut,
                Vector<String>* imageNames);

} // namespace panelstore

} // namespace Zelkoran
