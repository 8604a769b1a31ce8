// The "ZK7_PARTICLE" block: every setting and list of an emitter, and the
// name of the image or sprite its visual shows. Layout in
// docs/particle-format.md; all values little-endian.
//
// OFFSET  SIZE  MEANING
//      0     4  magic "ZKPE"
//      4     2  format version, 1
//      6     2  header size, 16
//      8     4  size S of the settings record, 180 in version 1
//     12     4  zero
//     16     S  settings record: 45 values of 4 bytes (see kFields in the .cpp)
//   16+S     -  visual name, bursts, sub-emitters, colour keys, tint
//               palette, scale keys: each a 32-bit count and its entries
#pragma once

#include "particle/ParticleSettings.h"

namespace Zelkoran::particle {

// The block bytes of s with the visual's resource name ("" for none).
Vector<uint8_t> encodeBlock(const Settings& s, const char* visualName);
// Reads a block into s and visualName; every value passes the setters'
// checks. 0, or RC_ERR_CORRUPT (s and visualName then unchanged).
int decodeBlock(const void* data, size_t size, Settings& s, String& visualName);

} // namespace Zelkoran::particle
