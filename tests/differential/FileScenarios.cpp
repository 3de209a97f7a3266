// File scenarios: error codes, search order, attributes, copies and streams,
// and the helpers every scenario uses to set up its folder.
#include "Scenarios.h"
#include "platform/Errors.h"

namespace pelorin::differential {

namespace {

std::string Result(bool ok) { return ok ? "1" : "0 err=" + std::to_string(GetLastError()); }

std::string Opened(const std::unique_ptr<FileStream>& file) {
  return file ? "opened" : "refused err=" + std::to_string(GetLastError());
}

std::string Attributes(std::uint32_t value) {
  return value == attr::kInvalid ? "invalid err=" + std::to_string(GetLastError()) : HexNumber(value);
}

// Wine reports the archive bit on every file and never "normal"; outside the
// attribute scenario's known divergences those two bits are left out.
std::uint32_t WithoutArchive(std::uint32_t value) {
  return value == attr::kInvalid ? value : value & ~(attr::kArchive | attr::kNormal);
}

// Every entry below `folder`, in search order: name, attributes, and of a file
// its size and bytes.
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
  fs.MakeDir(dir + "\\made");
  out.Line("errors _mkdir existing", std::to_string(fs.MakeDir(dir + "\\made")));
  out.Line("errors delete folder", Result(fs.Delete(dir + "\\made")));
  fs.SetAttributes(dir + "\\a.txt", attr::kReadOnly);
  out.Line("errors delete ro", Result(fs.Delete(dir + "\\a.txt")));
  fs.SetAttributes(dir + "\\a.txt", attr::kNormal);
  fs.Delete(dir + "\\a.txt");
  DumpTree(platform, dir, "errors", out);
}

void Search(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "search");
  for (const char* name : {"zeta.txt", "Alpha.txt", "驱动.inf", "beta.TXT", "乗.sys", "0first", "_under", "~tilde"}) {
    WriteBytes(platform, dir + "\\" + name, name);
  }
  fs.CreateDir(dir + "\\mid");
  fs.CreateDir(dir + "\\Empty");
  DumpTree(platform, dir, "search", out);
  // Every name a pattern finds, in order, then the code the search ends with.
  for (const char* probe : {"\\mid", "\\mid\\", "\\nodir\\*.*", "\\missing.ini", "\\*.txt", "\\ALPHA.TXT"}) {
    FindEntry entry;
    std::string found;
    auto finder = fs.FindFirst(dir + probe, entry);
    for (bool more = finder != nullptr; more; more = finder->Next(entry)) found += Escape(entry.name) + " ";
    out.Line("search " + Escape(probe), found + "err=" + std::to_string(GetLastError()));
  }
}

void AttributesAndCopies(const Platform& platform, const std::string& root, Transcript& out, bool asRoot) {
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
  fs.SetAttributes(file, attr::kNormal);
  out.Line("attributes set normal", Attributes(fs.GetAttributes(file)), "archive");

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
  const char* rootRo = asRoot ? "root-ro" : nullptr;
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
    out.Line("streams create", Opened(file));
    if (!file) return;
    file->Write("0123456789", 10);
    file->Seek(-3, SeekOrigin::kEnd);
    file->Write("AB", 2);
    file->Seek(4, SeekOrigin::kEnd);
    file->Write("Z", 1);
    out.Line("streams length", std::to_string(file->Length()));
  }
  auto in = fs.Open(path, OpenMode::kReadExclusive);
  out.Line("streams open exclusive", Opened(in));
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

std::string ScenarioFolder(const Platform& platform, const std::string& root, const std::string& name) {
  const std::string folder = root + "\\" + name;
  platform.files->CreateDir(folder);
  return folder;
}

std::string ReadBytes(const Platform& platform, const std::string& path) {
  auto file = platform.files->Open(path, OpenMode::kReadShared);
  if (!file) return std::string();
  std::string bytes;
  char chunk[4096];
  std::uint32_t got = 0;
  while (file->Read(chunk, sizeof chunk, &got) && got > 0) bytes.append(chunk, got);
  return bytes;
}

void WriteBytes(const Platform& platform, const std::string& path, const std::string& bytes) {
  auto file = platform.files->Open(path, OpenMode::kCreateWrite);
  if (file && !bytes.empty()) file->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

void RunFileScenarios(const Platform& platform, const std::string& root, bool asRoot, Transcript& out) {
  Errors(platform, root, out);
  Search(platform, root, out);
  AttributesAndCopies(platform, root, out, asRoot);
  Streams(platform, root, out);
}

}  // namespace pelorin::differential
