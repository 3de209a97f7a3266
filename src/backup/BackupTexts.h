#pragma once
// Every text the backup subsystem shows or writes, byte for byte (GBK).

namespace pelorin::texts {

constexpr char kValueNotFound[] = "找不到相应值";
constexpr char kOpenProfileFailed[] = "打开配置文件失败，请指定正确文件路径！";

}  // namespace pelorin::texts
