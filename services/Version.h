// The name and version the editor shows in its title and log.
#pragma once

inline constexpr const char* kSkardenNameVersion = "Skarden v0.19.0";
