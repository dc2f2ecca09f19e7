#pragma once

// Messages that several exchanges of the tool show in the same words.
namespace kaviro::text {

inline constexpr const char* kNotConnected = "网络未连接";
inline constexpr const char* kSendFailed = "发送数据失败";
inline constexpr const char* kBadAnswer = "返回数据错误！";
inline constexpr const char* kPortBusy = "串口或被占用无法打开！\r\n请关闭占用此串口的程序，在重新打开本程序!";
inline constexpr const char* kCommunicationFailed = "通讯失败，请检查连接或重新操作！";
inline constexpr const char* kSetOk = "设置成功！";
inline constexpr const char* kSetFailed = "设置失败！";

}  // namespace kaviro::text
