// Profile-file scenarios: manifests with Chinese names and their updates,
// repeated sections, comments and blanks, results cut to the buffers, UTF-16
// files and missing files.
#include <vector>

#include "Scenarios.h"
#include "platform/Errors.h"

namespace pelorin::differential {

namespace {

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

// Where wine's profile services differ from Windows (the POSIX backend follows
// Windows):
// - a read that returns the default leaves last error 0; Windows sets 2
//   (ERROR_FILE_NOT_FOUND) for a missing key or section as for a missing file;
constexpr char kDefaultErr[] = "default-err";
// - a result cut to the buffer sets 122; Windows leaves the code alone;
constexpr char kCutErr[] = "cut-err";
// - a cut list is closed by a single NUL at size-1 (the byte at the count is
//   left as it was, and a name that would not fit may still be copied whole);
//   Windows ends it with two NULs at the count, the last name cut;
constexpr char kCutList[] = "cut-list";
// - an empty list has only its first NUL written; Windows writes both;
constexpr char kEmptyList[] = "empty-list";
// - a string cut inside a double-byte character leaves the lead byte's place
//   unwritten and counts it; the POSIX backend cuts before the character;
constexpr char kDbcsCut[] = "dbcs-cut";
// - a write rewrites the whole file from its parsed form: blanks around "=" and
//   blank lines go; Windows changes only the line it writes;
constexpr char kRewrite[] = "rewrite";
// - a written value loses its leading blanks; Windows writes it verbatim.
constexpr char kLeadingBlanks[] = "leading-blanks";

// One file and the calls made on it; every call is one transcript line, a read
// two: what the buffer holds (`known`: the reason wine's differs) and the
// last-error code (`errKnown`).
struct ProfileSteps {
  const Platform& platform;
  std::string file;
  std::string tag;
  Transcript& out;

  void Write(const char* section, const char* key, const char* value) {
    const bool ok = platform.profile->WriteString(section, key, value, file);
    out.Line(tag + " write [" + Text(section) + "] " + Text(key) + "=" + Text(value),
             ok ? "1" : "0 err=" + std::to_string(GetLastError()));
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

void Manifest(const Platform& platform, const std::string& root, Transcript& out) {
  ProfileSteps ini{platform, ScenarioFolder(platform, root, "manifest") + "\\taskinfo.ini", "manifest", out};
  ini.Write("ATI RADEON 9600 显卡", "硬件ID", "PCI\\VEN_1002&DEV_4150");
  ini.Write("ATI RADEON 9600 显卡", "INF文件", "oem12.inf");
  ini.Write("声卡 100%", "描述", "Realtek 声卡 100%");
  // Updated in place under the name the file spells; appended after the
  // section's last key.
  ini.Write("ATI RADEON 9600 显卡", "inf文件", "a value much longer than the one it replaces");
  ini.Write("ati radeon 9600 显卡", "文件1", "");
  ini.Bytes();
  ini.Read("ati radeon 9600 显卡", "inf文件");
  ini.Read("声卡 100%", "没有的键", 520, nullptr, kDefaultErr);
  ini.Section("没有的节");
  // A null value deletes the key, a null key the section.
  ini.Write("声卡 100%", "描述", nullptr);
  ini.Write("新的节", "键", "值");
  ini.Write("ATI RADEON 9600 显卡", nullptr, nullptr);
  ini.Bytes();
  ini.Names();
  ini.Write("新的节", "lead", "  two leading");
  ini.Write("新的节", "trail", "two trailing  ");
  ini.Bytes(kLeadingBlanks);
  ini.Read("新的节", "lead");
}

void RepeatedSections(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string file = ScenarioFolder(platform, root, "repeated") + "\\twice.ini";
  WriteBytes(platform, file,
             "[Driver]\r\nk=1\r\n[Other]\r\nx=y\r\n[driver]\r\nk=2\r\nm=3\r\n[驱动]\r\na=1\r\n[驱动]\r\nb=2\r\n");
  ProfileSteps ini{platform, file, "repeated", out};
  // Of the sections with one name only the first is read and written.
  ini.Read("Driver", "m", 520, nullptr, kDefaultErr);
  ini.Names();
  ini.Section("DRIVER");
  ini.Write("Driver", "m", "new");
  ini.Bytes();
}

void CommentsAndBlanks(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string file = ScenarioFolder(platform, root, "comments") + "\\lab.inf";
  WriteBytes(platform, file,
             "; 文件头注释\r\n[Version]\r\nSignature=\"$CHICAGO$\"\r\n\r\n[SourceDisksFiles]\r\n; 注释行\r\n"
             "  ati2mtag.sys = 1,,\r\n\tspaced.dll\t=\t2 , , \r\nnoequals.cat\r\n;commented.sys=1\r\n"
             "quoted.sys=\"1,,\"\r\n  =orphan\r\n驱动.sys=1\r\n\r\n[Strings]\r\nDesc = \"实验 设备\"\r\n");
  ProfileSteps ini{platform, file, "comments", out};
  ini.Read("SourceDisksFiles", "noequals.cat", 520, nullptr, kDefaultErr);
  ini.Read("SourceDisksFiles", ";commented.sys");
  ini.Read("Strings", "Desc");
  ini.Section("SourceDisksFiles");
  ini.Write("SourceDisksFiles", "spaced.dll", "3");
  ini.Bytes(kRewrite);
}

// A name list cut inside a double-byte character (5 + 1 + 3 bytes of "乙乙"),
// a section of 400 keys, a value whose last double-byte character just fits
// and a default cut inside one.
void Overflow(const Platform& platform, const std::string& root, Transcript& out) {
  std::string text = "[甲甲甲x]\r\ngbk=" + std::string(259, 'y') + "驱动驱动\r\n[乙乙]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  const std::string file = ScenarioFolder(platform, root, "overflow") + "\\cut.ini";
  WriteBytes(platform, file, text);
  ProfileSteps ini{platform, file, "overflow", out};
  ini.Names(11, kCutList, kCutErr);
  ini.Section("乙乙", 5200, kCutErr);
  ini.Read("甲甲甲x", "gbk", 262, nullptr, kCutErr);
  ini.Read("甲甲甲x", "missing", 4, kDbcsCut, kCutErr);
}

void Utf16(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string file = ScenarioFolder(platform, root, "utf16") + "\\unicode.ini";
  // "[节]\r\n键=值\r\nk2=v2\r\n" in UTF-16LE after its byte-order mark.
  const unsigned char bytes[] = {0xFF, 0xFE, '[', 0, 0x82, 0x82, ']', 0, '\r', 0, '\n', 0, 0x2E, 0x95, '=', 0,
                                 0x3C, 0x50, '\r', 0, '\n', 0, 'k', 0, '2', 0, '=', 0, 'v', 0, '2', 0,
                                 '\r', 0, '\n', 0};
  WriteBytes(platform, file, std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
  ProfileSteps ini{platform, file, "utf16", out};
  ini.Section("节");
  ini.Write("节", "键", "新值");
  ini.Bytes();
}

void Missing(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "missing");
  ProfileSteps absent{platform, folder + "\\absent.ini", "missing file", out};
  absent.Read("s", "k");
  absent.Names(780, kEmptyList);
  ProfileSteps nowhere{platform, folder + "\\nodir\\absent.ini", "missing folder", out};
  nowhere.Write("s", "k", "v");
}

}  // namespace

void RunProfileScenarios(const Platform& platform, const std::string& root, Transcript& out) {
  Manifest(platform, root, out);
  RepeatedSections(platform, root, out);
  CommentsAndBlanks(platform, root, out);
  Overflow(platform, root, out);
  Utf16(platform, root, out);
  Missing(platform, root, out);
}

}  // namespace pelorin::differential
