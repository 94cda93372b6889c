// Device interfaces and device I/O control: the operating-system seam of
// the driver command interface.
//
// Windows (nt/devintf.cpp): SetupAPI enumerates the present interfaces of
// a class, CreateFileA opens one exclusively and DeviceIoControl sends a
// buffer synchronously.
//
// Linux (posix/devintf.cpp), our stand-in for the same calls: a device-
// interface class is the directory $MOS_DEVINTF_ROOT/{GUID} (the root
// defaults to /run/mos-devintf; the GUID in upper case, with braces);
// every Unix-domain stream socket in it is one present interface, listed
// in name order. Opening connects and waits for the device's one-word
// answer (0: granted; else a Win32 error, ERROR_ACCESS_DENIED while another
// handle holds the device). An I/O control is one request frame
// {u32 control code, u32 input length, u32 output capacity, input bytes}
// and one reply frame {u32 Win32 error, u32 bytes returned, bytes}, all
// little-endian.
//
// Every function returns a Win32 error number (0 for success) with the
// Windows values on both sides: OS_ERR_* of os_sys.h.
#pragma once

#include "os_sys.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

// The present interfaces of one class (SetupDiGetClassDevsA with
// DIGCF_PRESENT | DIGCF_DEVICEINTERFACE).
struct OsDevIntfList;
// An open device (CreateFileA).
struct OsDev;

[[nodiscard]] uint32_t osDevIntf_GetClassDevs(const QorniGuid &classGuid, OsDevIntfList **ppList);

// Whether interface memberIndex exists (SetupDiEnumDeviceInterfaces);
// OS_ERR_NO_MORE_ITEMS past the last one.
[[nodiscard]] uint32_t osDevIntf_Enum(OsDevIntfList *pList, uint32_t memberIndex);

// The device path of interface memberIndex into pPath (NUL-terminated),
// as SetupDiGetDeviceInterfaceDetailA does: *pRequiredSize always gets the
// bytes needed; OS_ERR_INSUFFICIENT_BUFFER when pathCapacity is smaller
// (pPath may then be null).
[[nodiscard]] uint32_t osDevIntf_GetPath(OsDevIntfList *pList, uint32_t memberIndex, char *pPath,
                                         size_t pathCapacity, size_t *pRequiredSize);

// Releases the list (SetupDiDestroyDeviceInfoList). Null is ignored.
void osDevIntf_Destroy(OsDevIntfList *pList);

// Opens the device at pPath for reading and writing, not shared (on
// Windows with FILE_FLAG_OVERLAPPED).
[[nodiscard]] uint32_t osDev_Open(const char *pPath, OsDev **ppDev);

// One I/O control, complete when this returns. pIn and pOut may be the same buffer; the
// device reads inSize bytes and writes at most outCapacity bytes, whose
// count goes to *pReturned (0 on failure).
[[nodiscard]] uint32_t osDev_Ioctl(OsDev *pDev, uint32_t ioctlCode, const void *pIn,
                                   uint32_t inSize, void *pOut, uint32_t outCapacity,
                                   uint32_t *pReturned);

// Closes the device. Null is ignored.
void osDev_Close(OsDev *pDev);
