#include <hivex.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <memory>

#include "platform/Registry.h"
#include "platform/posix/RegText.h"
#include "platform/posix/RegistryFiles.h"

namespace pelorin {
namespace {

// The Class branch is four or five levels deep; anything far deeper, or larger
// than any real installation, is a corrupt hive whose cells point in circles.
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxKeys = 2'000'000;

struct HiveCloser {
  void operator()(hive_h* h) const { hivex_close(h); }
};
using Hive = std::unique_ptr<hive_h, HiveCloser>;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

class Copier {
 public:
  Copier(hive_h* hive, MemoryRegistry& registry) : hive_(hive), registry_(registry) {}

  // Copies `node` and everything below it to `path`; false on a corrupt cell.
  bool CopyTree(hive_node_h node, std::vector<std::u16string>& path, int depth) {
    if (depth > kMaxDepth || ++keys_ > kMaxKeys) return false;
    registry_.CreateKeyUtf16(path);
    if (!CopyValues(node, path)) return false;
    Owned<hive_node_h> children(hivex_node_children(hive_, node));
    if (!children) return false;
    for (hive_node_h* child = children.get(); *child; ++child) {
      Owned<char> name(hivex_node_name(hive_, *child));
      if (!name) return false;
      path.push_back(regtext::Utf8ToUtf16(name.get()));
      bool ok = CopyTree(*child, path, depth + 1);
      path.pop_back();
      if (!ok) return false;
    }
    return true;
  }

  bool CopyValues(hive_node_h node, const std::vector<std::u16string>& path) {
    Owned<hive_value_h> values(hivex_node_values(hive_, node));
    if (!values) return false;
    for (hive_value_h* value = values.get(); *value; ++value) {
      Owned<char> name(hivex_value_key(hive_, *value));
      if (!name) return false;
      hive_type typeSlot = hive_t_none;
      std::size_t length = 0;
      Owned<char> data(hivex_value_value(hive_, *value, &typeSlot, &length));
      if (!data) return false;
      // Any 32-bit type can stand in a hive, most outside the enum's values:
      // take the stored number without reading it as the enum.
      std::uint32_t type = 0;
      static_assert(sizeof typeSlot == sizeof type, "hive_type is 32 bits");
      std::memcpy(&type, &typeSlot, sizeof type);
      registry_.SetRawValueUtf16(path, regtext::Utf8ToUtf16(name.get()), type,
                                 std::string(data.get(), length));
    }
    return true;
  }

 private:
  hive_h* hive_;
  MemoryRegistry& registry_;
  std::size_t keys_ = 0;
};

bool CopyEnvironments(hive_h* hive, hive_node_h root, Copier& copier) {
  Owned<hive_node_h> sets(hivex_node_children(hive, root));
  if (!sets) return false;
  for (hive_node_h* set = sets.get(); *set; ++set) {
    Owned<char> name(hivex_node_name(hive, *set));
    if (!name) return false;
    if (strncasecmp(name.get(), "ControlSet", 10) != 0) continue;
    hive_node_h node = *set;
    for (const char* level : {"Control", "Session Manager", "Environment"})
      if (node) node = hivex_node_get_child(hive, node, level);
    if (!node) continue;
    std::vector<std::u16string> path = {u"SYSTEM", regtext::Utf8ToUtf16(name.get()), u"Control",
                                        u"Session Manager", u"Environment"};
    if (!copier.CopyTree(node, path, 0)) return false;
  }
  return true;
}

bool Fail(const std::string& file, const std::string& problem, std::string& error) {
  error = file + ": " + problem;
  return false;
}

bool OpenHive(const std::string& file, Hive& hive, hive_node_h& root, std::string& error) {
  errno = 0;
  hive.reset(hivex_open(file.c_str(), 0));
  if (!hive) {
    int code = errno;
    if (code == ENOENT || code == EACCES || code == EISDIR || code == ENOTDIR)
      return Fail(file, std::strerror(code), error);
    // libhivex says ENOTSUP both for a foreign file and for a hive cut short.
    return Fail(file, "corrupt or truncated registry hive", error);
  }
  root = hivex_root(hive.get());
  if (!root) return Fail(file, "corrupt registry hive (no root key)", error);
  return true;
}

}  // namespace

bool LoadSystemHive(const std::string& file, MemoryRegistry& registry, std::string& error) {
  Hive hive;
  hive_node_h root = 0;
  if (!OpenHive(file, hive, root, error)) return false;

  // CurrentControlSet exists only at run time; Select\Current names the set.
  int current = 1;
  if (hive_node_h select = hivex_node_get_child(hive.get(), root, "Select")) {
    if (hive_value_h value = hivex_node_get_value(hive.get(), select, "Current")) {
      errno = 0;
      std::int32_t n = hivex_value_dword(hive.get(), value);
      if (errno == 0 && n > 0 && n < 1000) current = n;
    }
  }
  char setName[32];
  std::snprintf(setName, sizeof setName, "ControlSet%03d", current);
  hive_node_h set = hivex_node_get_child(hive.get(), root, setName);
  hive_node_h control = set ? hivex_node_get_child(hive.get(), set, "Control") : 0;
  hive_node_h classes = control ? hivex_node_get_child(hive.get(), control, "Class") : 0;
  if (!classes)
    return Fail(file, std::string("no Class key (") + setName + "\\Control\\Class)", error);

  Copier copier(hive.get(), registry);
  std::vector<std::u16string> path = {u"SYSTEM", regtext::Utf8ToUtf16(setName), u"Control",
                                      u"Class"};
  if (!copier.CopyTree(classes, path, 0))
    return Fail(file, "corrupt registry hive (unreadable key or value below Control\\Class)",
                error);
  // What tells the installation's architecture and its driver store apart: the
  // driver database (Windows 8 and later) and each set's environment.
  if (hive_node_h database = hivex_node_get_child(hive.get(), root, "DriverDatabase")) {
    path = {u"SYSTEM", u"DriverDatabase"};
    if (!copier.CopyTree(database, path, 0))
      return Fail(file, "corrupt registry hive (unreadable key or value below DriverDatabase)", error);
  }
  if (!CopyEnvironments(hive.get(), root, copier))
    return Fail(file, "corrupt registry hive (unreadable key or value below Session Manager\\Environment)",
                error);
  registry.SetDword("SYSTEM\\Select", "Current", static_cast<std::uint32_t>(current));
  registry.Link("SYSTEM\\CurrentControlSet", std::string("SYSTEM\\") + setName);
  return true;
}

bool LoadDriversHive(const std::string& file, MemoryRegistry& registry, std::string& error) {
  Hive hive;
  hive_node_h root = 0;
  if (!OpenHive(file, hive, root, error)) return false;
  hive_node_h database = hivex_node_get_child(hive.get(), root, "DriverDatabase");
  if (!database) return Fail(file, "no DriverDatabase key", error);
  Copier copier(hive.get(), registry);
  std::vector<std::u16string> path = {u"DRIVERS", u"DriverDatabase"};
  if (!copier.CopyTree(database, path, 0))
    return Fail(file, "corrupt registry hive (unreadable key or value below DriverDatabase)", error);
  return true;
}

}  // namespace pelorin
