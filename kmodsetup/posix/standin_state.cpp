#include "standin_state.h"

#include "win_errors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

thread_local uint32_t t_lastError = 0;

constexpr char kDefaultStateDir[] = "/run/kmodsetup";

using Record = std::vector<std::string>;

std::vector<Record> loadRecords(std::string_view name) {
    std::vector<Record> records;
    std::ifstream file(standinState_Path(name));
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty()) {
            continue;
        }
        Record record;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            record.push_back(field == "-" ? std::string() : field);
        }
        records.push_back(std::move(record));
    }
    return records;
}

bool saveRecords(std::string_view name, const std::vector<Record> &records) {
    std::error_code error;
    std::filesystem::create_directories(standinState_Dir(), error);
    const std::string path = standinState_Path(name);
    const std::string tempPath = path + ".tmp";
    {
        std::ofstream file(tempPath, std::ios::trunc);
        for (const Record &record : records) {
            for (size_t i = 0; i < record.size(); ++i) {
                file << (i > 0 ? "\t" : "") << (record[i].empty() ? "-" : record[i]);
            }
            file << '\n';
        }
        if (!file.flush()) {
            return false;
        }
    }
    // Replaced whole, so a reader never sees half a list.
    std::filesystem::rename(tempPath, path, error);
    return !error;
}

std::string field(const Record &record, size_t index) {
    return index < record.size() ? record[index] : std::string();
}

std::string joinIds(const std::vector<std::string> &ids) {
    std::string text;
    for (const std::string &id : ids) {
        text += (text.empty() ? "" : ",") + id;
    }
    return text;
}

std::vector<std::string> splitIds(const std::string &text) {
    std::vector<std::string> ids;
    std::istringstream parts(text);
    std::string id;
    while (std::getline(parts, id, ',')) {
        if (!id.empty()) {
            ids.push_back(id);
        }
    }
    return ids;
}

// One fail-file line: the call fails on its nth use (every use when 0).
struct InjectedFailure {
    uint32_t error;
    uint32_t nth;
};

std::multimap<std::string, InjectedFailure> loadFailures() {
    std::multimap<std::string, InjectedFailure> failures;
    for (const Record &record : loadRecords("fail")) {
        std::istringstream words(field(record, 0));
        std::string call, code, nth;
        words >> call >> code >> nth;
        const uint32_t error = static_cast<uint32_t>(std::strtoul(code.c_str(), nullptr, 0));
        const uint32_t nthCall = static_cast<uint32_t>(std::strtoul(nth.c_str(), nullptr, 0));
        if (!call.empty()) {
            failures.insert({call, {error, nthCall}});
        }
    }
    return failures;
}

} // namespace

std::string standinState_Dir() {
    const char *dir = std::getenv("KMODSETUP_STATE_DIR");
    return dir != nullptr && dir[0] != '\0' ? dir : kDefaultStateDir;
}

std::string standinState_Path(std::string_view name) {
    return standinState_Dir() + "/" + std::string(name);
}

void standinState_SetLastError(uint32_t error) {
    t_lastError = error;
}

uint32_t standinState_LastError() {
    return t_lastError;
}

bool standinState_InjectedFailure(const char *callName, uint32_t *pError) {
    static const std::multimap<std::string, InjectedFailure> failures = loadFailures();
    static std::map<std::string, uint32_t> callCounts;
    const uint32_t callNumber = ++callCounts[callName];
    const auto range = failures.equal_range(callName);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.nth == 0 || it->second.nth == callNumber) {
            *pError = it->second.error;
            standinState_SetLastError(*pError);
            return true;
        }
    }
    return false;
}

std::vector<StandinDevice> standinState_LoadDevices() {
    std::vector<StandinDevice> devices;
    for (const Record &record : loadRecords("devices")) {
        StandinDevice device{};
        device.instanceId = field(record, 0);
        if (!standinGuid_Parse(field(record, 1), &device.classGuid)) {
            continue; // a line we cannot read is no device
        }
        device.className = field(record, 2);
        device.hardwareIds = splitIds(field(record, 3));
        device.service = field(record, 4);
        device.oemInf = field(record, 5);
        devices.push_back(std::move(device));
    }
    return devices;
}

bool standinState_SaveDevices(const std::vector<StandinDevice> &devices) {
    std::vector<Record> records;
    for (const StandinDevice &device : devices) {
        records.push_back({device.instanceId, standinGuid_Format(device.classGuid),
                           device.className, joinIds(device.hardwareIds), device.service,
                           device.oemInf});
    }
    return saveRecords("devices", records);
}

std::vector<StandinService> standinState_LoadServices() {
    std::vector<StandinService> services;
    for (const Record &record : loadRecords("services")) {
        services.push_back({field(record, 0), field(record, 1)});
    }
    return services;
}

bool standinState_SaveServices(const std::vector<StandinService> &services) {
    std::vector<Record> records;
    for (const StandinService &service : services) {
        records.push_back({service.name, service.binary});
    }
    return saveRecords("services", records);
}

std::vector<StandinDriver> standinState_LoadDrivers() {
    std::vector<StandinDriver> drivers;
    for (const Record &record : loadRecords("drivers")) {
        drivers.push_back({std::strtoull(field(record, 0).c_str(), nullptr, 16), field(record, 1)});
    }
    return drivers;
}

bool standinState_SaveDrivers(const std::vector<StandinDriver> &drivers) {
    std::vector<Record> records;
    for (const StandinDriver &driver : drivers) {
        char address[32];
        std::snprintf(address, sizeof address, "%016llx",
                      static_cast<unsigned long long>(driver.address));
        records.push_back({address, driver.baseName});
    }
    return saveRecords("drivers", records);
}

bool standinState_AppendJournal(std::string_view line) {
    std::error_code error;
    std::filesystem::create_directories(standinState_Dir(), error);
    std::ofstream file(standinState_Path("journal"), std::ios::app);
    file << line << '\n';
    return static_cast<bool>(file.flush());
}

std::string standinGuid_Format(const SetupGuid &guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.data1, guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2],
                  guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

bool standinGuid_Parse(std::string_view text, SetupGuid *pGuid) {
    // Hex digit positions inside the braced 38-character form.
    static const int kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return false;
    }
    const auto hexValue = [&](size_t start, size_t digits, uint64_t *pValue) {
        *pValue = 0;
        for (size_t i = start; i < start + digits; ++i) {
            const char c = text[i];
            const int digit = (c >= '0' && c <= '9')   ? c - '0'
                              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
            if (digit < 0) {
                return false;
            }
            *pValue = *pValue * 16 + static_cast<uint64_t>(digit);
        }
        return true;
    };
    uint64_t value = 0;
    bool bValid = hexValue(1, 8, &value);
    pGuid->data1 = static_cast<uint32_t>(value);
    bValid = bValid && hexValue(10, 4, &value);
    pGuid->data2 = static_cast<uint16_t>(value);
    bValid = bValid && hexValue(15, 4, &value);
    pGuid->data3 = static_cast<uint16_t>(value);
    for (int i = 0; i < 8 && bValid; ++i) {
        bValid = hexValue(static_cast<size_t>(kBytePositions[i]), 2, &value);
        pGuid->data4[i] = static_cast<uint8_t>(value);
    }
    return bValid;
}

bool standinGuid_Equal(const SetupGuid &a, const SetupGuid &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
