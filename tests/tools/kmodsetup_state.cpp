// kmodsetup_state: shows and prepares the state directory of the
// installer's Linux stand-in (KMODSETUP_STATE_DIR), so that tests read
// what an install, update or uninstall left behind. It reads and writes
// the tab-separated files with code of its own, apart from the stand-in.
//
//   kmodsetup_state show                 devices, store, services, drivers
//   kmodsetup_state journal              INF section command lines run
//   kmodsetup_state add-device ID CLASSGUID CLASSNAME HWIDS
//   kmodsetup_state remove-device ID     as if the device were unplugged
//   kmodsetup_state load-driver NAME     a loaded kernel driver
//   kmodsetup_state add-service NAME BINARY  a service left by an earlier install
//   kmodsetup_state fail CALL CODE [NTH] make a call fail
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

std::string stateDir() {
    const char *dir = std::getenv("KMODSETUP_STATE_DIR");
    return dir != nullptr && dir[0] != '\0' ? dir : "/run/kmodsetup";
}

std::string statePath(const std::string &name) {
    return stateDir() + "/" + name;
}

std::vector<Fields> readLines(const std::string &name) {
    std::vector<Fields> lines;
    std::ifstream file(statePath(name));
    std::string line;
    while (std::getline(file, line)) {
        Fields fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        if (!fields.empty()) {
            lines.push_back(fields);
        }
    }
    return lines;
}

bool appendLine(const std::string &name, const Fields &fields) {
    std::filesystem::create_directories(stateDir());
    std::ofstream file(statePath(name), std::ios::app);
    for (size_t i = 0; i < fields.size(); ++i) {
        file << (i > 0 ? "\t" : "") << fields[i];
    }
    file << '\n';
    return static_cast<bool>(file.flush());
}

std::string at(const Fields &fields, size_t index) {
    return index < fields.size() ? fields[index] : "?";
}

void showState() {
    for (const Fields &d : readLines("devices")) {
        std::cout << "device " << at(d, 0) << " class=" << at(d, 2) << ' ' << at(d, 1)
                  << " hwid=" << at(d, 3) << " service=" << at(d, 4) << " inf=" << at(d, 5) << '\n';
    }
    std::vector<std::string> storeNames;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(statePath("inf"), error)) {
        storeNames.push_back(entry.path().filename().string());
    }
    std::sort(storeNames.begin(), storeNames.end());
    for (const std::string &name : storeNames) {
        std::cout << "store " << name << '\n';
    }
    for (const Fields &s : readLines("services")) {
        std::cout << "service " << at(s, 0) << " binary=" << at(s, 1) << '\n';
    }
    for (const Fields &d : readLines("drivers")) {
        std::cout << "driver " << at(d, 1) << '\n';
    }
}

bool removeDevice(const std::string &instanceId) {
    std::vector<Fields> devices = readLines("devices");
    const size_t count = devices.size();
    std::erase_if(devices, [&](const Fields &d) { return at(d, 0) == instanceId; });
    std::filesystem::remove(statePath("devices"));
    for (const Fields &d : devices) {
        if (!appendLine("devices", d)) {
            return false;
        }
    }
    return devices.size() < count;
}

bool loadDriver(const std::string &name) {
    unsigned long long address = 0xFFFFF80000000000ull;
    for (const Fields &d : readLines("drivers")) {
        address = std::max(address, std::strtoull(at(d, 0).c_str(), nullptr, 16) + 0x100000);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", address);
    return appendLine("drivers", {text, name});
}

int usage() {
    std::cerr << "usage: kmodsetup_state show | journal | add-device ID CLASSGUID CLASSNAME HWIDS"
                 " | remove-device ID | load-driver NAME | add-service NAME BINARY"
                 " | fail CALL CODE [NTH]\n";
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string &command = args[0];
    if (command == "show" && args.size() == 1) {
        showState();
        return 0;
    }
    if (command == "journal" && args.size() == 1) {
        std::ifstream file(statePath("journal"));
        std::cout << file.rdbuf();
        return 0;
    }
    if (command == "add-device" && args.size() == 5) {
        return appendLine("devices", {args[1], args[2], args[3], args[4], "-", "-"}) ? 0 : 1;
    }
    if (command == "remove-device" && args.size() == 2) {
        return removeDevice(args[1]) ? 0 : 1;
    }
    if (command == "load-driver" && args.size() == 2) {
        return loadDriver(args[1]) ? 0 : 1;
    }
    if (command == "add-service" && args.size() == 3) {
        return appendLine("services", {args[1], args[2]}) ? 0 : 1;
    }
    if (command == "fail" && (args.size() == 3 || args.size() == 4)) {
        const std::string nth = args.size() == 4 ? " " + args[3] : "";
        return appendLine("fail", {args[1] + " " + args[2] + nth}) ? 0 : 1;
    }
    return usage();
}
