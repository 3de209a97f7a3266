#pragma once
// Writes 24-bit RGB pixels as a PNG file (screenshots kept as test artifacts).
#include <string>
#include <vector>

namespace pelorin::e2e {

// `rgb` holds height rows of width*3 bytes, top row first.
bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);

}  // namespace pelorin::e2e
