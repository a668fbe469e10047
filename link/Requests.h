#pragma once

#include <string>

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
