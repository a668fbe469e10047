#include "Stats.h"

#include <cjson/cJSON.h>

#include <memory>

namespace devicesim {

void Stats::noteSent(Kind kind, std::size_t bytes) {
  ++sent;
  sentBytes += bytes;
  switch (kind) {
    case Kind::Reply:
      ++replies;
      break;
    case Kind::Report:
      ++reports;
      break;
    case Kind::Heartbeat:
      ++heartbeats;
      break;
    case Kind::Stats:
      ++statsReplies;
      break;
  }
}

std::string Stats::toJson(const char* type) const {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), &cJSON_Delete);
  if (type) cJSON_AddStringToObject(root.get(), "type", type);
  const std::pair<const char*, std::uint64_t> fields[] = {
      {"received", received},
      {"requests", requests},
      {"ignored", ignored},
      {"silenced", silenced},
      {"invalid", invalid},
      {"unknown", unknown},
      {"refused", refused},
      {"simstats", statsRequests},
      {"sent", sent},
      {"sent_bytes", sentBytes},
      {"replies", replies},
      {"reports", reports},
      {"heartbeats", heartbeats},
      {"stats_replies", statsReplies},
      {"malformed", malformed},
      {"oversize", oversize},
      {"empty", empty},
      {"capitals", capitals},
      {"badstatus", badstatus},
      {"duplicate", duplicate},
      {"send_waits", sendWaits},
      {"send_errors", sendErrors},
      {"reboots", reboots},
      {"test_runs", testRuns},
  };
  for (const auto& [name, value] : fields) {
    cJSON_AddNumberToObject(root.get(), name, static_cast<double>(value));
  }
  cJSON* antennas = cJSON_AddArrayToObject(root.get(), "antenna_reads");
  for (std::uint64_t reads : antennaReads) {
    cJSON_AddItemToArray(antennas, cJSON_CreateNumber(static_cast<double>(reads)));
  }
  std::unique_ptr<char, decltype(&cJSON_free)> printed(cJSON_PrintUnformatted(root.get()),
                                                       &cJSON_free);
  return printed ? std::string(printed.get()) : std::string("{}");
}

}  // namespace devicesim
