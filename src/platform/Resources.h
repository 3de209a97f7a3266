#pragma once
// The program's own resources (FindResourceA, LoadResource, LockResource,
// SizeofResource).
#include <cstdint>

namespace pelorin {

class Resources {
 public:
  virtual ~Resources() = default;
  // The bytes of the resource of type `type` and numeric id `id`. False when it
  // cannot be found, loaded or locked. The bytes live as long as the program.
  virtual bool Find(const char* type, int id, const unsigned char** data, std::uint32_t* size) = 0;
};

}  // namespace pelorin
