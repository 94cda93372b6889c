#include "standin_store.h"

#include "standin_state.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr uint64_t kFirstLoadAddress = 0xFFFFF80000000000ull;
constexpr uint64_t kLoadAddressStep = 0x100000;

std::string baseNameOf(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string serviceBinary(const InfFile &inf, const std::string &serviceSection) {
    return baseNameOf(infFile_Value(inf, serviceSection, "ServiceBinary", 0));
}

} // namespace

bool standinFile_Read(const std::string &path, std::string *pText) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    *pText = text.str();
    return true;
}

std::string standinStore_Dir() {
    return standinState_Path("inf");
}

std::string standinStore_FindCopy(const std::string &infText) {
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(standinStore_Dir(), error)) {
        std::string text;
        if (standinFile_Read(entry.path().string(), &text) && text == infText) {
            return entry.path().filename().string();
        }
    }
    return {};
}

std::string standinStore_AddCopy(const std::string &infText) {
    std::error_code error;
    std::filesystem::create_directories(standinStore_Dir(), error);
    for (int n = 0; n < 10000; ++n) {
        const std::string name = "oem" + std::to_string(n) + ".inf";
        const std::string path = standinStore_Dir() + "/" + name;
        if (std::filesystem::exists(path, error)) {
            continue;
        }
        std::ofstream file(path, std::ios::binary);
        file << infText;
        return file.flush() ? name : std::string();
    }
    return {};
}

bool standinStore_RemoveCopy(const std::string &oemName) {
    std::error_code error;
    return std::filesystem::remove(standinStore_Dir() + "/" + oemName, error);
}

bool standinServices_Exists(const std::string &name) {
    const std::vector<StandinService> services = standinState_LoadServices();
    return std::any_of(services.begin(), services.end(),
                       [&](const StandinService &s) { return infFile_NamesEqual(s.name, name); });
}

bool standinServices_Add(const std::string &name, const std::string &binary) {
    std::vector<StandinService> services = standinState_LoadServices();
    std::erase_if(services,
                  [&](const StandinService &s) { return infFile_NamesEqual(s.name, name); });
    services.push_back({name, binary});
    return standinState_SaveServices(services);
}

bool standinServices_Remove(const std::string &name) {
    if (!standinServices_Exists(name)) {
        return false;
    }
    standinDrivers_UnloadIfUnused(name);
    std::vector<StandinService> services = standinState_LoadServices();
    std::erase_if(services,
                  [&](const StandinService &s) { return infFile_NamesEqual(s.name, name); });
    return standinState_SaveServices(services);
}

bool standinDrivers_Load(const std::string &baseName, bool *pbWasLoaded) {
    std::vector<StandinDriver> drivers = standinState_LoadDrivers();
    uint64_t nextAddress = kFirstLoadAddress;
    *pbWasLoaded = false;
    for (const StandinDriver &driver : drivers) {
        *pbWasLoaded = *pbWasLoaded || infFile_NamesEqual(driver.baseName, baseName);
        nextAddress = std::max(nextAddress, driver.address + kLoadAddressStep);
    }
    if (*pbWasLoaded) {
        return true;
    }
    drivers.push_back({nextAddress, baseName});
    return standinState_SaveDrivers(drivers);
}

bool standinDrivers_IsLoaded(const std::string &baseName) {
    const std::vector<StandinDriver> drivers = standinState_LoadDrivers();
    return !baseName.empty() &&
           std::any_of(drivers.begin(), drivers.end(), [&](const StandinDriver &d) {
               return infFile_NamesEqual(d.baseName, baseName);
           });
}

void standinDrivers_UnloadIfUnused(const std::string &serviceName) {
    const std::vector<StandinDevice> devices = standinState_LoadDevices();
    if (std::any_of(devices.begin(), devices.end(), [&](const StandinDevice &d) {
            return infFile_NamesEqual(d.service, serviceName);
        })) {
        return;
    }
    std::string binary;
    for (const StandinService &service : standinState_LoadServices()) {
        if (infFile_NamesEqual(service.name, serviceName)) {
            binary = service.binary;
        }
    }
    std::vector<StandinDriver> drivers = standinState_LoadDrivers();
    if (std::erase_if(drivers, [&](const StandinDriver &d) {
            return !binary.empty() && infFile_NamesEqual(d.baseName, binary);
        }) > 0) {
        (void)standinState_SaveDrivers(drivers);
    }
}

std::string standinInf_FirstServiceBinary(const InfFile &inf, const std::string &section) {
    const std::string serviceSection = infFile_Value(inf, section + ".Services", "AddService", 2);
    return serviceSection.empty() ? std::string() : serviceBinary(inf, serviceSection);
}

bool standinInf_RunServices(const InfFile &inf, const std::string &section,
                            std::string *pServiceName) {
    const InfSection *pServices = infFile_Section(inf, section + ".Services");
    if (pServices == nullptr) {
        return true;
    }
    for (const InfLine &line : pServices->lines) {
        if (line.values.empty()) {
            continue;
        }
        const std::string &name = line.values[0];
        if (infFile_NamesEqual(line.key, "DelService")) {
            (void)standinServices_Remove(name);
            continue;
        }
        if (!infFile_NamesEqual(line.key, "AddService")) {
            continue;
        }
        const std::string binary =
            line.values.size() > 2 ? serviceBinary(inf, line.values[2]) : std::string();
        bool bWasLoaded = false;
        if (binary.empty() || !standinServices_Add(name, binary) ||
            !standinDrivers_Load(binary, &bWasLoaded)) {
            return false;
        }
        if (pServiceName != nullptr) {
            *pServiceName = name;
        }
    }
    return true;
}
