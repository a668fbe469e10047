#include "Requests.h"

#include "Json.h"

std::string TypeRequest(const std::string& type) {
  return PrintJsonObject({{"type", type}});
}

std::string DebugStartType(const std::string& edit1Text) {
  return edit1Text + requests::kDebugStart;
}

std::string SetGatewayRequest(const std::string& ip, const std::string& port) {
  return PrintJsonObject({{"type", requests::kSetGateway}, {"ip", ip}, {"port", port}});
}

std::string SetDeviceIdRequest(const std::string& deviceId) {
  return PrintJsonObject({{"type", requests::kSetDeviceId}, {"deviceid", deviceId}});
}

std::string SetRtcRequest(const std::string& rtcText) {
  return PrintJsonObject({{"type", requests::kSetRtc}, {"rtc", rtcText}});
}

std::string SetNetworkDhcpRequest() {
  return PrintJsonObject({{"type", requests::kSetNetwork}, {"mode", "dhcp"}});
}

std::string SetNetworkStaticRequest(const std::string& ip, const std::string& mask,
                                    const std::string& gateway, const std::string& dns1,
                                    const std::string& dns2) {
  return PrintJsonObject({{"type", requests::kSetNetwork},
                          {"mode", "static"},
                          {"ip", ip},
                          {"mask", mask},
                          {"gateway", gateway},
                          {"dns1", dns1},
                          {"dns2", dns2}});
}

std::string SetAntListRequest(const std::string& antList, const std::string& modList) {
  return PrintJsonObject(
      {{"type", requests::kSetAntList}, {"antlist", antList}, {"modlist", modList}});
}
