#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestPaths.h"

namespace {

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// pelorin.exe carries the restorer stub unchanged as resource "SFX_EXE" 152.
TEST(ResourceTest, PelorinExeEmbedsTheStubByteForByte) {
  const std::string exe = std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe";
  const std::string stub = std::string(PELORIN_BUILD_DIR) + "\\stub\\pelorin_stub.exe";
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << "cannot load " << exe << ", error " << GetLastError();

  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(152), "SFX_EXE");
  ASSERT_NE(found, nullptr) << GetLastError();
  HGLOBAL loaded = LoadResource(module, found);
  ASSERT_NE(loaded, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
  ASSERT_NE(bytes, nullptr);
  const DWORD size = SizeofResource(module, found);

  const std::vector<unsigned char> expected = ReadFileBytes(stub);
  ASSERT_FALSE(expected.empty()) << "cannot read " << stub;
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + size), expected);

  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(153), "SFX_EXE"), nullptr);
  FreeLibrary(module);
}

TEST(ResourceTest, AboutEntryStringIsTheProgramsText) {
  const std::string exe = std::string(PELORIN_BUILD_DIR) + "\\src\\app\\pelorin.exe";
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  char text[64] = {};
  ASSERT_GT(LoadStringA(module, 101, text, sizeof text), 0);
  EXPECT_STREQ(text, "关于 Pelorin(&A)...");
  FreeLibrary(module);
}
