// File scenarios: error codes, search order, attributes, copies and streams,
// and the helpers every scenario uses to set up and dump its folder.
#include "Scenarios.h"
#include "platform/Errors.h"

namespace pelorin::differential {

namespace {

std::string Result(bool ok) { return ok ? "1" : "0 err=" + std::to_string(GetLastError()); }

std::string Attributes(std::uint32_t value) {
  return value == attr::kInvalid ? "invalid err=" + std::to_string(GetLastError()) : HexNumber(value);
}

// Wine reports the archive bit on every file and never "normal"; those two bits
// are compared only in the attribute scenario, as known divergences.
std::uint32_t WithoutArchive(std::uint32_t value) {
  return value == attr::kInvalid ? value : value & ~(attr::kArchive | attr::kNormal);
}

void Errors(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "errors");
  WriteBytes(platform, dir + "\\a.txt", "a");
  out.Line("errors mkdir full", Result(fs.CreateDir(dir + "\\full")));
  WriteBytes(platform, dir + "\\full\\x", "x");
  out.Line("errors attr missing file", Attributes(fs.GetAttributes(dir + "\\missing.txt")));
  out.Line("errors attr missing folder", Attributes(fs.GetAttributes(dir + "\\nodir\\missing.txt")));
  out.Line("errors attr folder with backslash", Attributes(WithoutArchive(fs.GetAttributes(dir + "\\full\\"))));
  out.Line("errors attr file with backslash", Attributes(fs.GetAttributes(dir + "\\a.txt\\")));
  out.Line("errors copy fail-if-exists", Result(fs.Copy(dir + "\\a.txt", dir + "\\full\\x", true)));
  out.Line("errors copy missing source", Result(fs.Copy(dir + "\\missing.txt", dir + "\\b.txt", false)));
  out.Line("errors copy missing folder", Result(fs.Copy(dir + "\\a.txt", dir + "\\nodir\\b.txt", false)));
  out.Line("errors rmdir not empty", Result(fs.RemoveDir(dir + "\\full")));
  out.Line("errors rmdir file", Result(fs.RemoveDir(dir + "\\a.txt")));
  out.Line("errors mkdir existing", Result(fs.CreateDir(dir + "\\full")));
  out.Line("errors mkdir missing parent", Result(fs.CreateDir(dir + "\\nodir\\sub")));
  out.Line("errors mkdir new backslash", Result(fs.CreateDir(dir + "\\new\\")));
  out.Line("errors _mkdir new", std::to_string(fs.MakeDir(dir + "\\made")));
  out.Line("errors _mkdir existing", std::to_string(fs.MakeDir(dir + "\\made")));
  out.Line("errors delete folder", Result(fs.Delete(dir + "\\made")));
  out.Line("errors set ro", Result(fs.SetAttributes(dir + "\\a.txt", attr::kReadOnly)));
  out.Line("errors delete ro", Result(fs.Delete(dir + "\\a.txt")));
  out.Line("errors set normal", Result(fs.SetAttributes(dir + "\\a.txt", attr::kNormal)));
  out.Line("errors delete", Result(fs.Delete(dir + "\\a.txt")));
  out.Line("errors move missing", Result(fs.MoveReplace(dir + "\\a.txt", dir + "\\b.txt")));
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
  FindEntry entry;
  const char* probes[] = {"\\mid", "\\mid\\", "\\nodir\\*.*", "\\missing.ini", "\\*.txt", "\\ALPHA.TXT", "\\Empty\\*.*"};
  for (const char* probe : probes) {
    SetLastError(0);
    auto finder = fs.FindFirst(dir + probe, entry);
    out.Line(std::string("search probe ") + Escape(probe),
             finder ? "found " + Escape(entry.name) : "none err=" + std::to_string(GetLastError()));
    if (finder) {
      std::string rest;
      while (finder->Next(entry)) rest += Escape(entry.name) + " ";
      out.Line(std::string("search probe ") + Escape(probe) + " rest", rest + "end err=" + std::to_string(GetLastError()));
    }
  }
}

void AttributesAndCopies(const Platform& platform, const std::string& root, Transcript& out, bool asRoot) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "attributes");
  const std::string file = dir + "\\driver.sys";
  WriteBytes(platform, file, "driver bytes");
  out.Known("archive", "attributes new file", Attributes(fs.GetAttributes(file)));
  for (std::uint32_t bits : {attr::kReadOnly, attr::kHidden | attr::kSystem,
                             attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive}) {
    const std::string key = "attributes set " + HexNumber(bits);
    out.Line(key, Result(fs.SetAttributes(file, bits)));
    out.Line(key + " read", Attributes(WithoutArchive(fs.GetAttributes(file))));
    out.Known("archive", key + " read raw", Attributes(fs.GetAttributes(file)));
  }
  out.Line("attributes set normal", Result(fs.SetAttributes(file, attr::kNormal)));
  out.Known("archive", "attributes set normal read", Attributes(fs.GetAttributes(file)));
  out.Line("attributes set 0", Result(fs.SetAttributes(file, 0)));
  out.Known("archive", "attributes set 0 read", Attributes(fs.GetAttributes(file)));

  // Read-only on a folder: Windows stores it; wine drops it.
  fs.CreateDir(dir + "\\folder");
  out.Line("attributes folder set ro", Result(fs.SetAttributes(dir + "\\folder", attr::kReadOnly)));
  out.Known("folder-ro", "attributes folder read", Attributes(fs.GetAttributes(dir + "\\folder")));
  fs.SetAttributes(dir + "\\folder", attr::kNormal);

  // Copies carry the source's attributes.
  for (std::uint32_t bits : {attr::kReadOnly, attr::kHidden | attr::kSystem}) {
    const std::string copy = dir + "\\copy" + HexNumber(bits);
    fs.SetAttributes(file, bits);
    out.Line("attributes copy " + HexNumber(bits), Result(fs.Copy(file, copy, false)));
    out.Line("attributes copy " + HexNumber(bits) + " read", Attributes(WithoutArchive(fs.GetAttributes(copy))));
  }
  fs.SetAttributes(file, attr::kNormal);
  WriteBytes(platform, dir + "\\new.sys", "new bytes");
  out.Line("attributes copy over writable", Result(fs.Copy(dir + "\\new.sys", file, false)));

  // Over a read-only target Windows refuses with 5; wine run as root writes.
  const std::string reason = asRoot ? "root-ro" : "";
  const std::string target = dir + "\\copy" + HexNumber(attr::kReadOnly);
  const auto line = [&](const std::string& key, const std::string& value) {
    if (asRoot) {
      out.Known(reason, key, value);
    } else {
      out.Line(key, value);
    }
  };
  line("attributes copy over ro", Result(fs.Copy(dir + "\\new.sys", target, false)));
  line("attributes copy over ro bytes", Escape(ReadBytes(platform, target)));
  line("attributes create over ro", fs.Open(target, OpenMode::kCreateWrite) ? "opened" : "refused err=" + std::to_string(GetLastError()));
  out.Line("attributes delete ro", Result(fs.Delete(target)));
  // The target's bytes depend on the wine deviation above: leave it out of the dump.
  fs.SetAttributes(target, attr::kNormal);
  fs.Delete(target);
  fs.SetAttributes(dir + "\\copy0x00000006", attr::kNormal);
  DumpTree(platform, dir, "attributes", out);
}

void Streams(const Platform& platform, const std::string& root, Transcript& out) {
  FileSystem& fs = *platform.files;
  const std::string dir = ScenarioFolder(platform, root, "streams");
  const std::string path = dir + "\\数据.bin";
  {
    auto file = fs.Open(path, OpenMode::kCreateWrite);
    out.Line("streams create", file ? "1" : "0 err=" + std::to_string(GetLastError()));
    if (!file) return;
    out.Line("streams write", Result(file->Write("0123456789", 10)));
    out.Line("streams seek back", Result(file->Seek(-3, SeekOrigin::kEnd)));
    out.Line("streams overwrite", Result(file->Write("AB", 2)));
    out.Line("streams seek past end", Result(file->Seek(4, SeekOrigin::kEnd)));
    out.Line("streams write past end", Result(file->Write("Z", 1)));
    out.Line("streams length", std::to_string(file->Length()));
  }
  auto in = fs.Open(path, OpenMode::kReadExclusive);
  out.Line("streams open exclusive", in ? "1" : "0 err=" + std::to_string(GetLastError()));
  auto writer = fs.Open(path, OpenMode::kCreateWrite);
  out.Line("streams writer while exclusive", writer ? "opened" : "refused err=" + std::to_string(GetLastError()));
  auto reader = fs.Open(path, OpenMode::kReadShared);
  out.Line("streams shared reader while exclusive", reader ? "opened" : "refused err=" + std::to_string(GetLastError()));
  if (in) {
    char buffer[32] = {};
    std::uint32_t got = 0;
    out.Line("streams read", Result(in->Read(buffer, sizeof buffer, &got)) + " got=" + std::to_string(got) + " " +
                                 Escape(std::string(buffer, got)));
    out.Line("streams read at end", Result(in->Read(buffer, sizeof buffer, &got)) + " got=" + std::to_string(got));
    out.Line("streams seek relative", Result(in->Seek(2, SeekOrigin::kBegin) && in->Seek(1, SeekOrigin::kCurrent)) +
                                          " at=" + std::to_string(in->Position()));
  }
  in.reset();
  reader.reset();
  out.Line("streams open missing", fs.Open(dir + "\\none.bin", OpenMode::kReadShared) ? "opened" : "refused err=" + std::to_string(GetLastError()));
  out.Line("streams open missing folder", fs.Open(dir + "\\nodir\\none.bin", OpenMode::kCreateWrite) ? "opened" : "refused err=" + std::to_string(GetLastError()));
  WriteBytes(platform, dir + "\\part", "finished");
  WriteBytes(platform, dir + "\\final", "stale");
  out.Line("streams move replace", Result(fs.MoveReplace(dir + "\\part", dir + "\\final")));
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

bool WriteBytes(const Platform& platform, const std::string& path, const std::string& bytes) {
  auto file = platform.files->Open(path, OpenMode::kCreateWrite);
  return file && (bytes.empty() || file->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
}

void DumpTree(const Platform& platform, const std::string& folder, const std::string& label, Transcript& out) {
  FindEntry entry;
  auto finder = platform.files->FindFirst(folder + "\\*.*", entry);
  if (!finder) {
    out.Line(label + " tree", "none err=" + std::to_string(GetLastError()));
    return;
  }
  do {
    const std::string key = label + " tree " + Escape(entry.name);
    if (entry.IsDots() || entry.IsDirectory()) {
      out.Line(key, Attributes(WithoutArchive(entry.attributes)));
      if (!entry.IsDots()) DumpTree(platform, folder + "\\" + entry.name, label + " " + Escape(entry.name), out);
    } else {
      out.Line(key, Attributes(WithoutArchive(entry.attributes)) + " size=" + std::to_string(entry.size) + " " +
                        Hex(ReadBytes(platform, folder + "\\" + entry.name)));
    }
  } while (finder->Next(entry));
}

void RunFileScenarios(const Platform& platform, const std::string& root, bool asRoot, Transcript& out) {
  Errors(platform, root, out);
  Search(platform, root, out);
  AttributesAndCopies(platform, root, out, asRoot);
  Streams(platform, root, out);
}

}  // namespace pelorin::differential
