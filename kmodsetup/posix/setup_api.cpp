// The installer's seam on Linux: a stand-in for device installation, the
// driver store, INF sections, the service control manager and the loaded
// driver list, kept as files in the state directory (standin_state.h).
// Each call keeps its Windows shape: result, last error (Windows values)
// and index behaviour; any call can be made to fail through the state's
// fail file, under the Windows function's name.
#include "setup_api.h"

#include "inf_file.h"
#include "standin_state.h"
#include "standin_store.h"
#include "win_errors.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

namespace {

struct SetElement {
    uint32_t devInst;
    StandinDevice device;
    bool bRegistered; // a device of the system, not only of this set
};

// HDEVINFO: a class and its elements in index order.
struct DeviceInfoSet {
    SetupGuid classGuid;
    std::vector<SetElement> elements;
    uint32_t nextDevInst = 1;
};

// SC_HANDLE: the manager, or one service of it.
struct ServiceHandle {
    bool bManager;
    std::string serviceName;
};

std::set<DeviceInfoSet *> liveSets_G;
std::set<ServiceHandle *> liveServiceHandles_G;
std::set<InfFile *> liveInfs_G; // HINF

bool fail(uint32_t error) {
    standinState_SetLastError(error);
    return false;
}

bool injected(const char *callName) {
    uint32_t error = 0;
    return standinState_InjectedFailure(callName, &error);
}

DeviceInfoSet *liveSet(DevInfoSet set) {
    auto *pSet = static_cast<DeviceInfoSet *>(set);
    return liveSets_G.count(pSet) != 0 ? pSet : nullptr;
}

// The set's element that pDevice names; null with the last error set.
SetElement *findElement(DevInfoSet set, const DevInfoData *pDevice) {
    DeviceInfoSet *pSet = liveSet(set);
    if (pSet == nullptr) {
        (void)fail(KS_ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (pDevice == nullptr || pDevice->cbSize != sizeof(DevInfoData)) {
        (void)fail(KS_ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    for (SetElement &element : pSet->elements) {
        if (element.devInst == pDevice->devInst) {
            return &element;
        }
    }
    (void)fail(KS_ERROR_NO_SUCH_DEVINST);
    return nullptr;
}

// The element a call acts on; null (with the last error set) when the
// call is made to fail or pDevice names no element of the set.
SetElement *elementForCall(const char *callName, DevInfoSet set, const DevInfoData *pDevice) {
    return injected(callName) ? nullptr : findElement(set, pDevice);
}

void fillDevInfo(const SetElement &element, DevInfoData *pDevice) {
    pDevice->classGuid = element.device.classGuid;
    pDevice->devInst = element.devInst;
    pDevice->reserved = 0;
}

// "ROOT\<CLASS NAME>\<NNNN>" with the lowest number that neither the
// system nor the set uses.
std::string generateInstanceId(const DeviceInfoSet &set, const char *className) {
    std::string prefix = "ROOT\\";
    for (const char *c = className; *c != '\0'; ++c) {
        prefix.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
    }
    prefix += "\\";
    const std::vector<StandinDevice> devices = standinState_LoadDevices();
    for (int n = 0;; ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", n);
        const std::string id = prefix + number;
        const auto sameId = [&](const std::string &other) { return infFile_NamesEqual(other, id); };
        const bool bUsed =
            std::any_of(devices.begin(), devices.end(),
                        [&](const StandinDevice &d) { return sameId(d.instanceId); }) ||
            std::any_of(set.elements.begin(), set.elements.end(),
                        [&](const SetElement &e) { return sameId(e.device.instanceId); });
        if (!bUsed) {
            return id;
        }
    }
}

std::string multiString(const std::vector<std::string> &strings) {
    std::string value;
    for (const std::string &s : strings) {
        value += s;
        value.push_back('\0');
    }
    value.push_back('\0');
    return value;
}

bool loadInf(const char *infPath, InfFile *pInf) {
    uint32_t error = 0;
    return infFile_Load(infPath, pInf, &error) || fail(error);
}

// Leaves destName (and *ppFilePart) naming the store copy oemName.
bool nameStoreCopy(const std::string &oemName, char *destName, uint32_t destCapacity,
                   char **ppFilePart) {
    const std::string dest = standinStore_Dir() + "/" + oemName;
    if (destName == nullptr || dest.size() + 1 > destCapacity) {
        return fail(KS_ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(destName, dest.c_str(), dest.size() + 1);
    if (ppFilePart != nullptr) {
        *ppFilePart = destName + dest.size() - oemName.size();
    }
    return true;
}

// Installs the INF's driver on every device with hardwareId.
bool installOnDevices(const InfFile &inf, const std::string &infText, const std::string &hardwareId,
                      bool *pbWasLoaded) {
    const std::string installSection = infFile_FindInstallSection(inf, hardwareId);
    if (installSection.empty()) {
        return fail(KS_ERROR_NO_COMPAT_DRIVERS);
    }
    std::vector<StandinDevice> devices = standinState_LoadDevices();
    const auto hasId = [&](const StandinDevice &d) {
        return std::any_of(d.hardwareIds.begin(), d.hardwareIds.end(), [&](const std::string &id) {
            return infFile_NamesEqual(id, hardwareId);
        });
    };
    if (std::none_of(devices.begin(), devices.end(), hasId)) {
        return fail(KS_ERROR_NO_SUCH_DEVINST);
    }
    std::string oemName = standinStore_FindCopy(infText);
    if (oemName.empty()) {
        oemName = standinStore_AddCopy(infText);
    }
    // A driver in use is replaced only at the next restart.
    *pbWasLoaded = standinDrivers_IsLoaded(standinInf_FirstServiceBinary(inf, installSection));
    std::string serviceName;
    if (oemName.empty() || !standinInf_RunServices(inf, installSection, &serviceName)) {
        return fail(KS_ERROR_WRITE_FAULT);
    }
    if (serviceName.empty()) {
        return fail(KS_ERROR_NO_ASSOCIATED_SERVICE);
    }
    for (StandinDevice &device : devices) {
        if (hasId(device)) {
            device.service = serviceName;
            device.oemInf = oemName;
        }
    }
    return standinState_SaveDevices(devices) || fail(KS_ERROR_WRITE_FAULT);
}

// Decodes UTF-8 (the stand-in's code page) to UTF-16; invalid bytes
// become U+FFFD, as the platform does for unmapped characters.
std::u16string widen(const char *src) {
    std::u16string wide;
    const auto *p = reinterpret_cast<const unsigned char *>(src);
    while (*p != 0) {
        uint32_t codePoint = 0xFFFD;
        int extra = 0;
        if (*p < 0x80) {
            codePoint = *p;
        } else if ((*p & 0xE0) == 0xC0) {
            codePoint = *p & 0x1F, extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            codePoint = *p & 0x0F, extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            codePoint = *p & 0x07, extra = 3;
        }
        ++p;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                codePoint = 0xFFFD;
                break;
            }
            codePoint = (codePoint << 6) | (*p & 0x3F);
        }
        if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            codePoint = 0xFFFD;
        }
        if (codePoint >= 0x10000) {
            wide.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(codePoint));
        }
    }
    return wide;
}

std::string narrow(const char16_t *wide) {
    std::string text;
    for (; *wide != 0; ++wide) {
        const uint32_t unit = *wide;
        if (unit < 0x80) {
            text.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            text.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            text.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return text;
}

struct SystemMessage {
    uint32_t code;
    const char *text;
};

constexpr SystemMessage kSystemMessages[] = {
#define KS_WIN_ERROR(name, value, text) {value, text "\r\n"},
#include "win_errors.def"
#undef KS_WIN_ERROR
};

// The error code a system message number stands for.
uint32_t codeOfMessageId(uint32_t messageId) {
    if ((messageId & 0xFFFF0000) == 0x800F0000) {
        return 0xE0000000 | (messageId & 0xFFFF);
    }
    if ((messageId & 0xFFFF0000) == 0x80070000) {
        return messageId & 0xFFFF;
    }
    return messageId;
}

} // namespace

uint32_t osSetup_GetLastError() {
    return standinState_LastError();
}

bool osSetup_GetInfClass(const char *infPath, SetupGuid *pClassGuid, char *className,
                         uint32_t classNameCapacity) {
    InfFile inf;
    if (injected("SetupDiGetINFClass") || !loadInf(infPath, &inf)) {
        return false;
    }
    const std::string name = infFile_Value(inf, "Version", "Class", 0);
    const std::string guid = infFile_Value(inf, "Version", "ClassGUID", 0);
    if (name.empty() || guid.empty()) {
        return fail(KS_ERROR_NO_ASSOCIATED_CLASS);
    }
    if (!standinGuid_Parse(guid, pClassGuid)) {
        return fail(KS_ERROR_INVALID_CLASS);
    }
    if (className == nullptr || name.size() + 1 > classNameCapacity) {
        return fail(KS_ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(className, name.c_str(), name.size() + 1);
    return true;
}

DevInfoSet osSetup_CreateDeviceInfoList(const SetupGuid *pClassGuid) {
    if (injected("SetupDiCreateDeviceInfoList")) {
        return nullptr;
    }
    auto *pSet = new DeviceInfoSet{*pClassGuid, {}};
    liveSets_G.insert(pSet);
    return pSet;
}

bool osSetup_CreateDeviceInfo(DevInfoSet set, const char *className, const SetupGuid *pClassGuid,
                              DevInfoData *pDevice) {
    if (injected("SetupDiCreateDeviceInfo")) {
        return false;
    }
    DeviceInfoSet *pSet = liveSet(set);
    if (pSet == nullptr) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    if (pDevice == nullptr || pDevice->cbSize != sizeof(DevInfoData)) {
        return fail(KS_ERROR_INVALID_USER_BUFFER);
    }
    if (!standinGuid_Equal(*pClassGuid, pSet->classGuid)) {
        return fail(KS_ERROR_CLASS_MISMATCH);
    }
    if (className == nullptr || className[0] == '\0') {
        return fail(KS_ERROR_INVALID_PARAMETER);
    }
    SetElement element{pSet->nextDevInst++, {}, false};
    element.device.instanceId = generateInstanceId(*pSet, className);
    element.device.classGuid = *pClassGuid;
    element.device.className = className;
    pSet->elements.push_back(element);
    fillDevInfo(element, pDevice);
    return true;
}

bool osSetup_SetHardwareId(DevInfoSet set, DevInfoData *pDevice, const char *pValue,
                           uint32_t valueSize) {
    SetElement *pElement = elementForCall("SetupDiSetDeviceRegistryProperty", set, pDevice);
    if (pElement == nullptr) {
        return false;
    }
    // A multi-string: strings ended by NUL, the list by an empty one or
    // by the end of the value.
    std::vector<std::string> ids;
    for (uint32_t start = 0; start < valueSize && pValue[start] != '\0';) {
        const void *pEnd = std::memchr(pValue + start, '\0', valueSize - start);
        const uint32_t end = pEnd != nullptr
                                 ? static_cast<uint32_t>(static_cast<const char *>(pEnd) - pValue)
                                 : valueSize;
        ids.emplace_back(pValue + start, end - start);
        start = end + 1;
    }
    if (ids.empty()) {
        return fail(KS_ERROR_INVALID_DATA);
    }
    pElement->device.hardwareIds = ids;
    return true;
}

bool osSetup_RegisterDevice(DevInfoSet set, DevInfoData *pDevice) {
    SetElement *pElement = elementForCall("SetupDiCallClassInstaller", set, pDevice);
    if (pElement == nullptr) {
        return false;
    }
    if (pElement->bRegistered) {
        return true;
    }
    std::vector<StandinDevice> devices = standinState_LoadDevices();
    devices.push_back(pElement->device);
    if (!standinState_SaveDevices(devices)) {
        return fail(KS_ERROR_ACCESS_DENIED);
    }
    pElement->bRegistered = true;
    return true;
}

bool osSetup_DestroyDeviceInfoList(DevInfoSet set) {
    DeviceInfoSet *pSet = liveSet(set);
    if (pSet == nullptr) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    liveSets_G.erase(pSet);
    delete pSet;
    return true;
}

DevInfoSet osSetup_GetClassDevs(const SetupGuid *pClassGuid) {
    if (injected("SetupDiGetClassDevs")) {
        return nullptr;
    }
    auto *pSet = new DeviceInfoSet{*pClassGuid, {}};
    for (const StandinDevice &device : standinState_LoadDevices()) {
        if (standinGuid_Equal(device.classGuid, *pClassGuid)) {
            pSet->elements.push_back({pSet->nextDevInst++, device, true});
        }
    }
    liveSets_G.insert(pSet);
    return pSet;
}

bool osSetup_EnumDeviceInfo(DevInfoSet set, uint32_t memberIndex, DevInfoData *pDevice) {
    if (injected("SetupDiEnumDeviceInfo")) {
        return false;
    }
    DeviceInfoSet *pSet = liveSet(set);
    if (pSet == nullptr) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    if (pDevice == nullptr || pDevice->cbSize != sizeof(DevInfoData)) {
        return fail(KS_ERROR_INVALID_USER_BUFFER);
    }
    if (memberIndex >= pSet->elements.size()) {
        return fail(KS_ERROR_NO_MORE_ITEMS);
    }
    fillDevInfo(pSet->elements[memberIndex], pDevice);
    return true;
}

bool osSetup_GetHardwareId(DevInfoSet set, DevInfoData *pDevice, char *pBuffer,
                           uint32_t bufferSize) {
    const SetElement *pElement = elementForCall("SetupDiGetDeviceRegistryProperty", set, pDevice);
    if (pElement == nullptr) {
        return false;
    }
    if (pElement->device.hardwareIds.empty()) {
        return fail(KS_ERROR_INVALID_DATA);
    }
    const std::string value = multiString(pElement->device.hardwareIds);
    if (pBuffer == nullptr || value.size() > bufferSize) {
        return fail(KS_ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(pBuffer, value.data(), value.size());
    return true;
}

bool osSetup_RemoveDevice(DevInfoSet set, DevInfoData *pDevice) {
    SetElement *pElement = elementForCall("SetupDiRemoveDevice", set, pDevice);
    if (pElement == nullptr) {
        return false;
    }
    std::vector<StandinDevice> devices = standinState_LoadDevices();
    const auto removed = std::erase_if(devices, [&](const StandinDevice &d) {
        return infFile_NamesEqual(d.instanceId, pElement->device.instanceId);
    });
    if (!pElement->bRegistered || removed == 0) {
        return fail(KS_ERROR_NO_SUCH_DEVINST);
    }
    if (!standinState_SaveDevices(devices)) {
        return fail(KS_ERROR_ACCESS_DENIED);
    }
    pElement->bRegistered = false;
    // The driver stops with the last device it drives.
    if (!pElement->device.service.empty()) {
        standinDrivers_UnloadIfUnused(pElement->device.service);
    }
    return true;
}

bool osSetup_DeleteDeviceInfo(DevInfoSet set, DevInfoData *pDevice) {
    const SetElement *pElement = elementForCall("SetupDiDeleteDeviceInfo", set, pDevice);
    if (pElement == nullptr) {
        return false;
    }
    DeviceInfoSet *pSet = liveSet(set);
    pSet->elements.erase(pSet->elements.begin() + (pElement - pSet->elements.data()));
    return true;
}

bool osSetup_UpdateDriverForPnpDevices(const char *hardwareId, const char *infPath,
                                       uint32_t installFlags, bool *pbRebootRequired) {
    (void)installFlags; // the stand-in always installs over the present driver
    if (injected("UpdateDriverForPlugAndPlayDevices")) {
        return false;
    }
    InfFile inf;
    std::string infText;
    if (!loadInf(infPath, &inf) || !standinFile_Read(infPath, &infText)) {
        return false;
    }
    bool bWasLoaded = false;
    if (!installOnDevices(inf, infText, hardwareId, &bWasLoaded)) {
        return false;
    }
    if (pbRebootRequired != nullptr) {
        *pbRebootRequired = bWasLoaded;
    }
    return true;
}

bool osSetup_CopyOemInf(const char *infPath, uint32_t copyStyle, char *destName,
                        uint32_t destCapacity, char **ppFilePart) {
    uint32_t injectedError = 0;
    const bool bInjected = standinState_InjectedFailure("SetupCopyOEMInf", &injectedError);
    std::string infText;
    const bool bRead = standinFile_Read(infPath, &infText);
    std::string oemName = bRead ? standinStore_FindCopy(infText) : std::string();
    if (bInjected) {
        // "The file exists" names the copy in the store, as the platform's
        // answer does.
        if (injectedError == KS_ERROR_FILE_EXISTS && !oemName.empty()) {
            (void)nameStoreCopy(oemName, destName, destCapacity, ppFilePart);
        }
        return fail(injectedError);
    }
    if (!bRead) {
        return fail(KS_ERROR_FILE_NOT_FOUND);
    }
    if (!oemName.empty()) {
        if (!nameStoreCopy(oemName, destName, destCapacity, ppFilePart)) {
            return false;
        }
        return (copyStyle & kCopyNoOverwrite) == 0 || fail(KS_ERROR_FILE_EXISTS);
    }
    if ((copyStyle & kCopyReplaceOnly) != 0) {
        return fail(KS_ERROR_FILE_NOT_FOUND);
    }
    oemName = standinStore_AddCopy(infText);
    if (oemName.empty()) {
        return fail(KS_ERROR_ACCESS_DENIED);
    }
    return nameStoreCopy(oemName, destName, destCapacity, ppFilePart);
}

bool osSetup_UninstallOemInf(const char *oemName, uint32_t flags) {
    if (injected("SetupUninstallOEMInf")) {
        return false;
    }
    const std::string name = oemName != nullptr ? oemName : "";
    if (name.find_first_of("\\/") != std::string::npos || name.compare(0, 3, "oem") != 0) {
        return fail(KS_ERROR_INVALID_NAME);
    }
    std::string text;
    if (!standinFile_Read(standinStore_Dir() + "/" + name, &text)) {
        return fail(KS_ERROR_FILE_NOT_FOUND);
    }
    const std::vector<StandinDevice> devices = standinState_LoadDevices();
    const bool bInUse = std::any_of(devices.begin(), devices.end(),
                                    [&](const StandinDevice &d) { return d.oemInf == name; });
    if (bInUse && (flags & kUninstallForceDelete) == 0) {
        return fail(KS_ERROR_INF_IN_USE_BY_DEVICES);
    }
    return standinStore_RemoveCopy(name) || fail(KS_ERROR_ACCESS_DENIED);
}

InfHandle osSetup_OpenInfFile(const char *infPath) {
    auto pInf = std::make_unique<InfFile>();
    if (injected("SetupOpenInfFile") || !loadInf(infPath, pInf.get())) {
        return nullptr;
    }
    liveInfs_G.insert(pInf.get());
    return pInf.release();
}

bool osSetup_FindFirstLine(InfHandle inf, const char *section) {
    auto *pInf = static_cast<InfFile *>(inf);
    if (injected("SetupFindFirstLine")) {
        return false;
    }
    if (liveInfs_G.count(pInf) == 0) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    const InfSection *pSection = section != nullptr ? infFile_Section(*pInf, section) : nullptr;
    return (pSection != nullptr && !pSection->lines.empty()) || fail(KS_ERROR_LINE_NOT_FOUND);
}

void osSetup_CloseInfFile(InfHandle inf) {
    auto *pInf = static_cast<InfFile *>(inf);
    if (liveInfs_G.erase(pInf) != 0) {
        delete pInf;
    }
}

void osSetup_InstallHinfSection(const char16_t *cmdLine, int showMode) {
    (void)showMode;
    const std::string line = narrow(cmdLine);
    (void)standinState_AppendJournal("InstallHinfSection " + line);
    if (injected("InstallHinfSection")) {
        return;
    }
    // "<section> <reboot mode> <INF path>": the path is the rest.
    const size_t firstBlank = line.find(' ');
    const size_t secondBlank =
        firstBlank == std::string::npos ? std::string::npos : line.find(' ', firstBlank + 1);
    if (secondBlank == std::string::npos) {
        return;
    }
    InfFile inf;
    if (!loadInf(line.c_str() + secondBlank + 1, &inf)) {
        return;
    }
    std::string serviceName;
    (void)standinInf_RunServices(inf, line.substr(0, firstBlank), &serviceName);
}

int osSetup_MultiByteToWide(const char *src, char16_t *dst, int dstCapacity) {
    if (src == nullptr || dstCapacity < 0) {
        (void)fail(KS_ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string wide = widen(src);
    const int units = static_cast<int>(wide.size()) + 1;
    if (dstCapacity == 0) {
        return units;
    }
    if (dst == nullptr || units > dstCapacity) {
        (void)fail(KS_ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, wide.c_str(), sizeof(char16_t) * static_cast<size_t>(units));
    return units;
}

ScHandle osSetup_OpenScManager(uint32_t access) {
    (void)access;
    if (injected("OpenSCManager")) {
        return nullptr;
    }
    auto *pHandle = new ServiceHandle{true, {}};
    liveServiceHandles_G.insert(pHandle);
    return pHandle;
}

ScHandle osSetup_OpenService(ScHandle manager, const char *serviceName, uint32_t access) {
    (void)access;
    if (injected("OpenService")) {
        return nullptr;
    }
    auto *pManager = static_cast<ServiceHandle *>(manager);
    if (liveServiceHandles_G.count(pManager) == 0 || !pManager->bManager) {
        (void)fail(KS_ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (serviceName == nullptr || !standinServices_Exists(serviceName)) {
        (void)fail(KS_ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    auto *pHandle = new ServiceHandle{false, serviceName};
    liveServiceHandles_G.insert(pHandle);
    return pHandle;
}

bool osSetup_DeleteService(ScHandle service) {
    if (injected("DeleteService")) {
        return false;
    }
    auto *pService = static_cast<ServiceHandle *>(service);
    if (liveServiceHandles_G.count(pService) == 0 || pService->bManager) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    return standinServices_Remove(pService->serviceName) ||
           fail(KS_ERROR_SERVICE_MARKED_FOR_DELETE);
}

bool osSetup_CloseServiceHandle(ScHandle handle) {
    auto *pHandle = static_cast<ServiceHandle *>(handle);
    if (liveServiceHandles_G.erase(pHandle) == 0) {
        return fail(KS_ERROR_INVALID_HANDLE);
    }
    delete pHandle;
    return true;
}

bool osSetup_EnumDeviceDrivers(void **pImageBases, uint32_t bufferBytes, uint32_t *pBytesNeeded) {
    if (injected("K32EnumDeviceDrivers")) {
        return false;
    }
    const std::vector<StandinDriver> drivers = standinState_LoadDrivers();
    *pBytesNeeded = static_cast<uint32_t>(drivers.size() * sizeof(void *));
    const size_t capacity = pImageBases != nullptr ? bufferBytes / sizeof(void *) : 0;
    for (size_t i = 0; i < drivers.size() && i < capacity; ++i) {
        pImageBases[i] = reinterpret_cast<void *>(static_cast<uintptr_t>(drivers[i].address));
    }
    return true;
}

uint32_t osSetup_GetDeviceDriverBaseName(void *imageBase, char *baseName, uint32_t capacity) {
    if (injected("K32GetDeviceDriverBaseName")) {
        return 0;
    }
    for (const StandinDriver &driver : standinState_LoadDrivers()) {
        if (driver.address != reinterpret_cast<uintptr_t>(imageBase)) {
            continue;
        }
        if (baseName == nullptr || capacity == 0) {
            (void)fail(KS_ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        const size_t copied = std::min<size_t>(driver.baseName.size(), capacity - 1);
        std::memcpy(baseName, driver.baseName.data(), copied);
        baseName[copied] = '\0';
        return static_cast<uint32_t>(copied);
    }
    (void)fail(KS_ERROR_INVALID_HANDLE);
    return 0;
}

void *osSetup_Alloc(size_t sizeBytes) {
    if (injected("HeapAlloc")) {
        return nullptr;
    }
    void *p = std::malloc(sizeBytes);
    if (p == nullptr) {
        (void)fail(KS_ERROR_NOT_ENOUGH_MEMORY);
    }
    return p;
}

void osSetup_Free(void *p) {
    std::free(p);
}

uint32_t osSetup_FormatSystemMessage(uint32_t messageId, char *buffer, uint32_t capacity) {
    const uint32_t code = codeOfMessageId(messageId);
    for (const SystemMessage &message : kSystemMessages) {
        if (message.code != code) {
            continue;
        }
        const size_t length = std::strlen(message.text);
        if (buffer == nullptr || length + 1 > capacity) {
            return 0;
        }
        std::memcpy(buffer, message.text, length + 1);
        return static_cast<uint32_t>(length);
    }
    return 0;
}
