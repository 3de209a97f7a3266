// pelorin_differential HOST_FOLDER [--as-root]: the same profile-file calls and file operations on this build's
// backend (Win32 under wine, POSIX on Linux), each sequence in its own folder below an empty host folder. It prints
// the transcript on stdout: results, last-error codes and the bytes written, never a path of the machine that ran
// it. `--as-root`: the programs run as root, where wine writes over read-only files.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32/Win32Platform.h"
#else
#include "platform/posix/PosixPlatform.h"
#endif

namespace pelorin::differential {
namespace {

// One "key: value" line per observation, in the order the steps ran; `asRoot` as the program was told.
struct Transcript {
  bool asRoot = false;
  std::string text;
  // `known`: the reason wine is known to differ from Windows here; the line's
  // key starts with "~reason" and the comparison lets its value differ.
  void Line(const std::string& key, const std::string& value, const char* known = nullptr) {
    text += (known ? "~" + std::string(known) + " " : std::string()) + key + ": " + value + "\n";
  }
};

std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return out;
}

// Printable ASCII as is, everything else (GBK bytes included) as \xHH.
std::string Escape(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, c) : "\\x" + Hex(std::string(1, c));
  return out;
}

std::string HexNumber(std::uint32_t v) { return "0x" + Hex({char(v >> 24), char(v >> 16), char(v >> 8), char(v)}); }

std::string Result(bool ok) { return ok ? "1" : "0 err=" + std::to_string(GetLastError()); }

// A fresh folder for scenario `name` below `root`.
std::string ScenarioFolder(const Platform& platform, const std::string& root, const std::string& name) {
  platform.files->CreateDir(root + "\\" + name);
  return root + "\\" + name;
}

// Raw file contents through the platform's streams ("" when unreadable).
std::string ReadBytes(const Platform& platform, const std::string& path) {
  std::string bytes;
  char chunk[4096];
  std::uint32_t got = 0;
  auto file = platform.files->Open(path, OpenMode::kReadShared);
  while (file && file->Read(chunk, sizeof chunk, &got) && got > 0) bytes.append(chunk, got);
  return bytes;
}

void WriteBytes(const Platform& platform, const std::string& path, const std::string& bytes) {
  auto file = platform.files->Open(path, OpenMode::kCreateWrite);
  if (file && !bytes.empty()) file->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// ---- Profile files. Where wine's services differ from Windows (the POSIX backend follows Windows):
//   default-err     a read that returns the default leaves last error 0; Windows sets 2, as for a missing file;
//   cut-err         a result cut to the buffer sets 122; Windows leaves the code alone;
//   cut-list        a cut list ends in one NUL at size-1; Windows puts two at the count, the last name cut;
//   empty-list      an empty list has only its first NUL written; Windows writes both;
//   dbcs-cut        a string cut inside a double-byte character counts the unwritten lead byte; POSIX cuts before it;
//   rewrite         a write rewrites the file from its parsed form (blanks around "=" go); Windows only the line;
//   leading-blanks  a written value loses its leading blanks; Windows writes it verbatim.

// A buffer as the service left it: the bytes up to the count and the two after
// it (terminators, or what was there before); long ones by hash, head and tail.
std::string Filled(const std::vector<char>& buffer, std::uint32_t n) {
  const std::string used(buffer.data(), std::min<std::size_t>(buffer.size(), std::size_t{n} + 2));
  if (used.size() <= 256) return Escape(used);
  std::uint32_t hash = 2166136261u;  // FNV-1a over the whole buffer
  for (char c : buffer) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return "fnv=" + HexNumber(hash) + " head=" + Escape(used.substr(0, 48)) +
         " tail=" + Escape(used.substr(used.size() - 48));
}

// One file and the calls made on it; every call is one transcript line, a read two: what the buffer holds
// (`known`: the reason wine's differs) and the last-error code (`errKnown`).
struct ProfileSteps {
  const Platform& platform;
  std::string file;
  std::string tag;
  Transcript& out;

  void Write(const char* section, const char* key, const char* value) {
    const bool ok = platform.profile->WriteString(section, key, value, file);
    out.Line(tag + " write [" + Text(section) + "] " + Text(key) + "=" + Text(value), Result(ok));
  }
  void Read(const char* section, const char* key, std::uint32_t size = 520, const char* known = nullptr,
            const char* errKnown = nullptr) {
    Fill("read [" + Text(section) + "] " + Text(key) + " /" + std::to_string(size), size, known, errKnown,
         [&](char* buf) { return platform.profile->ReadString(section, key, "找不到相应值", buf, size, file); });
  }
  void Names(std::uint32_t size = 780, const char* known = nullptr, const char* errKnown = nullptr) {
    Fill("names /" + std::to_string(size), size, known, errKnown,
         [&](char* buf) { return platform.profile->ReadSectionNames(buf, size, file); });
  }
  void Section(const char* section, std::uint32_t size = 5200, const char* errKnown = nullptr) {
    Fill("section [" + Text(section) + "] /" + std::to_string(size), size, nullptr, errKnown,
         [&](char* buf) { return platform.profile->ReadSection(section, buf, size, file); });
  }
  void Bytes(const char* known = nullptr) { out.Line(tag + " bytes", Hex(ReadBytes(platform, file)), known); }
  static std::string Text(const char* text) { return text == nullptr ? "(null)" : Escape(text); }
  template <typename Call>
  void Fill(const std::string& key, std::uint32_t size, const char* known, const char* errKnown, Call call) {
    std::vector<char> buffer(size, '\xCC');
    SetLastError(0);
    const std::uint32_t n = call(buffer.data());
    const std::uint32_t code = GetLastError();
    out.Line(tag + " " + key, "n=" + std::to_string(n) + " " + Filled(buffer, n), known);
    out.Line(tag + " " + key + " err", std::to_string(code), errKnown);
  }
};

ProfileSteps Steps(const Platform& platform, const std::string& root, const std::string& name,
                   const std::string& bytes, Transcript& out) {
  ProfileSteps steps{platform, ScenarioFolder(platform, root, name) + "\\" + name + ".ini", name, out};
  if (!bytes.empty()) WriteBytes(platform, steps.file, bytes);
  return steps;
}

void Manifest(const Platform& platform, const std::string& root, Transcript& out) {
  ProfileSteps ini = Steps(platform, root, "manifest", "", out);
  ini.Write("ATI RADEON 9600 显卡", "硬件ID", "PCI\\VEN_1002&DEV_4150");
  ini.Write("ATI RADEON 9600 显卡", "INF文件", "oem12.inf");
  ini.Write("声卡 100%", "描述", "Realtek 声卡 100%");
  // Updated in place under the name the file spells; appended after the section's last key.
  ini.Write("ATI RADEON 9600 显卡", "inf文件", "a value much longer than the one it replaces");
  ini.Write("ati radeon 9600 显卡", "文件1", "");
  ini.Bytes();
  ini.Read("ati radeon 9600 显卡", "inf文件");
  ini.Read("声卡 100%", "没有的键", 520, nullptr, "default-err");
  ini.Section("没有的节");
  // A null value deletes the key, a null key the section.
  ini.Write("声卡 100%", "描述", nullptr);
  ini.Write("新的节", "键", "值");
  ini.Write("ATI RADEON 9600 显卡", nullptr, nullptr);
  ini.Bytes();
  ini.Write("新的节", "blanks", "  two blanks  ");
  ini.Bytes("leading-blanks");
}

// Of the sections with one name only the first is read and written.
void Parsing(const Platform& platform, const std::string& root, Transcript& out) {
  ProfileSteps inf = Steps(platform, root, "parsing",
                           "; 文件头注释\r\n[SourceDisksFiles]\r\n; 注释行\r\n  ati2mtag.sys = 1,,\r\n"
                           "\tspaced.dll\t=\t2 , , \r\nnoequals.cat\r\n;commented.sys=1\r\nquoted.sys=\"1,,\"\r\n"
                           "  =orphan\r\n驱动.sys=1\r\n\r\n[Strings]\r\nDesc = \"实验 设备\"\r\n"
                           "[sourcedisksfiles]\r\nm=3\r\n[驱动]\r\na=1\r\n[驱动]\r\nb=2\r\n", out);
  inf.Read("SourceDisksFiles", "noequals.cat", 520, nullptr, "default-err");
  inf.Read("SourceDisksFiles", ";commented.sys");
  inf.Read("SourceDisksFiles", "m", 520, nullptr, "default-err");
  inf.Read("Strings", "Desc");
  inf.Names();
  inf.Write("SOURCEDISKSFILES", "m", "new");
  inf.Section("SourceDisksFiles");
  inf.Bytes("rewrite");
}

// A name list cut inside a double-byte character (5 + 1 + 3 bytes of "乙乙"), a section of 400 keys, a value
// whose last double-byte character just fits and a default cut inside one.
void Overflow(const Platform& platform, const std::string& root, Transcript& out) {
  std::string text = "[甲甲甲x]\r\ngbk=" + std::string(259, 'y') + "驱动驱动\r\n[乙乙]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  ProfileSteps ini = Steps(platform, root, "overflow", text, out);
  ini.Names(11, "cut-list", "cut-err");
  ini.Section("乙乙", 5200, "cut-err");
  ini.Read("甲甲甲x", "gbk", 262, nullptr, "cut-err");
  ini.Read("甲甲甲x", "missing", 4, "dbcs-cut", "cut-err");
}

void Utf16(const Platform& platform, const std::string& root, Transcript& out) {
  // "[节]\r\n键=值\r\n" in UTF-16LE after its byte-order mark.
  const char bytes[] = "\xFF\xFE[\0\x82\x82]\0\r\0\n\0\x2E\x95=\0\x3C\x50\r\0\n\0";
  ProfileSteps ini = Steps(platform, root, "utf16", std::string(bytes, sizeof bytes - 1), out);
  ini.Section("节");
  ini.Write("节", "键", "新值");
  ini.Bytes();
}

void Missing(const Platform& platform, const std::string& root, Transcript& out) {
  ProfileSteps absent = Steps(platform, root, "missing", "", out);
  absent.Read("s", "k");
  absent.Names(780, "empty-list");
  ProfileSteps nowhere{platform, root + "\\missing\\nodir\\absent.ini", "missing folder", out};
  nowhere.Write("s", "k", "v");
}

// ---- Files and folders

std::string Opened(const std::unique_ptr<FileStream>& file) {
  return file ? "opened" : "refused err=" + std::to_string(GetLastError());
}

std::string Attributes(std::uint32_t value) {
  return value == attr::kInvalid ? "invalid err=" + std::to_string(GetLastError()) : HexNumber(value);
}

// Wine reports the archive bit on every file and never "normal": those two bits
// are left out but for a new file's.
std::uint32_t WithoutArchive(std::uint32_t value) {
  return value == attr::kInvalid ? value : value & ~(attr::kArchive | attr::kNormal);
}

// Every entry below `folder`, in search order: name, attributes, and a file's size and bytes.
void DumpTree(const Platform& platform, const std::string& folder, const std::string& label, Transcript& out) {
  FindEntry entry;
  auto finder = platform.files->FindFirst(folder + "\\*.*", entry);
  for (bool more = finder != nullptr; more; more = finder->Next(entry)) {
    const std::string path = folder + "\\" + entry.name;
    std::string value = Attributes(WithoutArchive(entry.attributes));
    if (!entry.IsDirectory()) value += " size=" + std::to_string(entry.size) + " " + Hex(ReadBytes(platform, path));
    out.Line(label + " tree " + Escape(entry.name), value);
    if (entry.IsDirectory() && !entry.IsDots()) DumpTree(platform, path, label + " " + Escape(entry.name), out);
  }
}

// One line per look-up branch; what succeeds shows in the dump.
void Errors(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "errors");
  WriteBytes(platform, dir + "\\a.txt", "a");
  fs.CreateDir(dir + "\\full");
  WriteBytes(platform, dir + "\\full\\x", "x");
  out.Line("errors attr missing file", Attributes(fs.GetAttributes(dir + "\\missing.txt")));
  out.Line("errors attr missing folder", Attributes(fs.GetAttributes(dir + "\\nodir\\missing.txt")));
  out.Line("errors attr folder with backslash", Attributes(WithoutArchive(fs.GetAttributes(dir + "\\full\\"))));
  out.Line("errors attr file with backslash", Attributes(fs.GetAttributes(dir + "\\a.txt\\")));
  out.Line("errors copy fail-if-exists", Result(fs.Copy(dir + "\\a.txt", dir + "\\full\\x", true)));
  out.Line("errors copy missing folder", Result(fs.Copy(dir + "\\a.txt", dir + "\\nodir\\b.txt", false)));
  out.Line("errors rmdir not empty", Result(fs.RemoveDir(dir + "\\full")));
  out.Line("errors rmdir file", Result(fs.RemoveDir(dir + "\\a.txt")));
  out.Line("errors mkdir existing", Result(fs.CreateDir(dir + "\\full")));
  out.Line("errors mkdir missing parent", Result(fs.CreateDir(dir + "\\nodir\\sub")));
  fs.CreateDir(dir + "\\new\\");
  out.Line("errors _mkdir existing", std::to_string(fs.MakeDir(dir + "\\full")));
  out.Line("errors delete folder", Result(fs.Delete(dir + "\\full")));
  fs.SetAttributes(dir + "\\a.txt", attr::kReadOnly);
  out.Line("errors delete ro", Result(fs.Delete(dir + "\\a.txt")));
  fs.SetAttributes(dir + "\\a.txt", attr::kNormal);
  fs.Delete(dir + "\\a.txt");
  DumpTree(platform, dir, "errors", out);
}

void Search(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "search");
  for (auto name : {"zeta.txt", "Alpha.txt", "驱动.inf", "beta.TXT", "乗.sys", "0first", "_under", "~tilde"}) {
    WriteBytes(platform, dir + "\\" + name, name);
  }
  fs.CreateDir(dir + "\\mid");
  fs.CreateDir(dir + "\\Empty");
  DumpTree(platform, dir, "search", out);
  // Every name a pattern finds, in order, then the code the search ends with, kept across its close.
  for (const char* probe : {"\\mid", "\\mid\\", "\\nodir\\*.*", "\\missing.ini", "\\*.txt", "\\ALPHA.TXT"}) {
    FindEntry entry;
    std::string found;
    auto finder = fs.FindFirst(dir + probe, entry);
    for (bool more = finder != nullptr; more; more = finder->Next(entry)) found += Escape(entry.name) + " ";
    finder.reset();
    out.Line("search " + Escape(probe), found + "err=" + std::to_string(GetLastError()));
  }
}

void AttributesAndCopies(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "attributes");
  const std::string file = dir + "\\driver.sys";
  WriteBytes(platform, file, "driver bytes");
  out.Line("attributes new file", Attributes(fs.GetAttributes(file)));
  for (std::uint32_t bits : {attr::kReadOnly, attr::kHidden | attr::kSystem,
                             attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive}) {
    fs.SetAttributes(file, bits);
    out.Line("attributes set " + HexNumber(bits), Attributes(WithoutArchive(fs.GetAttributes(file))));
  }

  // Read-only on a folder: Windows stores it; wine drops it.
  fs.CreateDir(dir + "\\folder");
  out.Line("attributes folder set ro", Result(fs.SetAttributes(dir + "\\folder", attr::kReadOnly)));
  out.Line("attributes folder read", Attributes(fs.GetAttributes(dir + "\\folder")), "folder-ro");
  fs.SetAttributes(dir + "\\folder", attr::kNormal);

  // Copies carry the source's attributes (the dump shows the hidden one's).
  const std::string readOnly = dir + "\\ro.sys";
  fs.SetAttributes(file, attr::kHidden | attr::kSystem);
  fs.Copy(file, dir + "\\hidden.sys", false);
  fs.SetAttributes(file, attr::kReadOnly);
  fs.Copy(file, readOnly, false);
  out.Line("attributes copy ro", Attributes(WithoutArchive(fs.GetAttributes(readOnly))));
  fs.SetAttributes(file, attr::kNormal);
  WriteBytes(platform, dir + "\\new.sys", "new bytes");
  fs.Copy(dir + "\\new.sys", file, false);

  // Over a read-only target Windows refuses with 5; wine run as root writes,
  // so the target's bytes are left out of the dump.
  const char* rootRo = out.asRoot ? "root-ro" : nullptr;
  out.Line("attributes copy over ro", Result(fs.Copy(dir + "\\new.sys", readOnly, false)), rootRo);
  out.Line("attributes create over ro", Opened(fs.Open(readOnly, OpenMode::kCreateWrite)), rootRo);
  fs.SetAttributes(readOnly, attr::kNormal);
  fs.Delete(readOnly);
  DumpTree(platform, dir, "attributes", out);
}

void Streams(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "streams");
  const std::string path = dir + "\\数据.bin";
  {
    // A write over the last bytes, then one past the end: the gap reads as NULs.
    auto file = fs.Open(path, OpenMode::kCreateWrite);
    if (!file) return;
    file->Write("0123456789", 10);
    file->Seek(-3, SeekOrigin::kEnd);
    file->Write("AB", 2);
    file->Seek(4, SeekOrigin::kEnd);
    file->Write("Z", 1);
    out.Line("streams length", std::to_string(file->Length()));
  }
  auto in = fs.Open(path, OpenMode::kReadExclusive);
  if (!in) return;
  out.Line("streams writer while exclusive", Opened(fs.Open(path, OpenMode::kCreateWrite)));
  out.Line("streams shared reader while exclusive", Opened(fs.Open(path, OpenMode::kReadShared)));
  char buffer[32];
  std::uint32_t got = 0;
  in->Read(buffer, sizeof buffer, &got);
  const bool readAtEnd = in->Read(buffer, sizeof buffer, &got);
  out.Line("streams read at end", Result(readAtEnd) + " got=" + std::to_string(got));
  in->Seek(2, SeekOrigin::kBegin);
  in->Seek(1, SeekOrigin::kCurrent);
  out.Line("streams seek relative", "at=" + std::to_string(in->Position()));
  in.reset();
  out.Line("streams create in missing folder", Opened(fs.Open(dir + "\\nodir\\none.bin", OpenMode::kCreateWrite)));
  WriteBytes(platform, dir + "\\part", "finished");
  WriteBytes(platform, dir + "\\final", "stale");
  fs.MoveReplace(dir + "\\part", dir + "\\final");
  DumpTree(platform, dir, "streams", out);
}

}  // namespace
}  // namespace pelorin::differential

int main(int argc, char** argv) {
  using namespace pelorin::differential;
  if (argc < 2) return 2;
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  pelorin::win32::Win32Platform backend;
  // Wine shows the host's "/" as drive Z:.
  std::string root = "Z:" + std::string(argv[1]);
  std::replace(root.begin(), root.end(), '/', '\\');
#else
  pelorin::posix::PosixPlatform backend;
  const std::string root = backend.ToWindowsPath(argv[1]);
#endif
  if (root.empty()) return 2;
  Transcript out;
  out.asRoot = argc > 2 && std::string(argv[2]) == "--as-root";
  for (auto scenario : {Manifest, Parsing, Overflow, Utf16, Missing, Errors, Search, AttributesAndCopies, Streams}) {
    scenario(backend.Get(), root, out);
  }
  std::fwrite(out.text.data(), 1, out.text.size(), stdout);
  return 0;
}
