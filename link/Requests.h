#pragma once

#include <string>

// The type of every request the tools send and every reply or report they recognise, as it
// goes on the wire. A reply carries its request's type.
namespace requests {
inline constexpr char kDebugStart[] = "debugstart";
inline constexpr char kDebugStop[] = "debugstop";
inline constexpr char kGetGateway[] = "getgateway";
inline constexpr char kSetGateway[] = "setgateway";
inline constexpr char kGetAntList[] = "getantlist";
inline constexpr char kSetAntList[] = "setantlist";
inline constexpr char kGetDeviceId[] = "getdeviceid";
inline constexpr char kSetDeviceId[] = "setdeviceid";
inline constexpr char kGetNetwork[] = "getnetwork";
inline constexpr char kSetNetwork[] = "setnetwork";
inline constexpr char kGetRtc[] = "getrtc";
inline constexpr char kSetRtc[] = "setrtc";
inline constexpr char kSetDirect[] = "setdirect";
inline constexpr char kGetSchedule[] = "getschedule";
inline constexpr char kSetSchedule[] = "setschedule";
inline constexpr char kGetR2000Mode[] = "getr2000mode";
inline constexpr char kSetR2000Mode[] = "setr2000mode";
inline constexpr char kReboot[] = "reboot";
inline constexpr char kTestStart[] = "teststart";
inline constexpr char kTestStop[] = "teststop";
inline constexpr char kSetActionReset[] = "setactionreset";
// Not a request: the tag report the device streams between teststart and teststop.
inline constexpr char kEpcInfo[] = "epcinfo";
}  // namespace requests

// The printed texts of the requests sent to the device. Values go out exactly as typed: not
// trimmed, not checked again, possibly empty.

// {"type": type}, the request that SendTypeRequest sends.
std::string TypeRequest(const std::string& type);
// The type of the request sent on connect: the hidden field's text followed by "debugstart".
std::string DebugStartType(const std::string& edit1Text);

std::string SetGatewayRequest(const std::string& ip, const std::string& port);
std::string SetDeviceIdRequest(const std::string& deviceId);
// `rtcText` is a clock value from EncodeClockValue.
std::string SetRtcRequest(const std::string& rtcText);
std::string SetNetworkDhcpRequest();
std::string SetNetworkStaticRequest(const std::string& ip, const std::string& mask,
                                    const std::string& gateway, const std::string& dns1,
                                    const std::string& dns2);
std::string SetAntListRequest(const std::string& antList, const std::string& modList);
