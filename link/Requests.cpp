#include "Requests.h"

#include "Json.h"

std::string TypeRequest(const std::string& type) {
  return PrintJsonObject({{"type", type}});
}

std::string DebugStartType(const std::string& edit1Text) {
  return edit1Text + "debugstart";
}

std::string SetGatewayRequest(const std::string& ip, const std::string& port) {
  return PrintJsonObject({{"type", "setgateway"}, {"ip", ip}, {"port", port}});
}

std::string SetDeviceIdRequest(const std::string& deviceId) {
  return PrintJsonObject({{"type", "setdeviceid"}, {"deviceid", deviceId}});
}

std::string SetRtcRequest(const std::string& rtcText) {
  return PrintJsonObject({{"type", "setrtc"}, {"rtc", rtcText}});
}

std::string SetNetworkDhcpRequest() {
  return PrintJsonObject({{"type", "setnetwork"}, {"mode", "dhcp"}});
}

std::string SetNetworkStaticRequest(const std::string& ip, const std::string& mask,
                                    const std::string& gateway, const std::string& dns1,
                                    const std::string& dns2) {
  return PrintJsonObject({{"type", "setnetwork"},
                          {"mode", "static"},
                          {"ip", ip},
                          {"mask", mask},
                          {"gateway", gateway},
                          {"dns1", dns1},
                          {"dns2", dns2}});
}

std::string SetAntListRequest(const std::string& antList, const std::string& modList) {
  return PrintJsonObject({{"type", "setantlist"}, {"antlist", antList}, {"modlist", modList}});
}
