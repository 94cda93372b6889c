// The object registry: modules register object types (an id, the size of
// the query structure, a query function and optionally a command
// function) and then the objects of each type as they come and go; the
// debug-port server finds types by id, enumerates their objects and asks
// for their query structures. The registry owns no memory: type records
// and object entries live in the registering modules' own structures.
#pragma once

#include "mos_ds_hash.h"
#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstdint>

// Writes the query structure of the object into pBuf (queryDataSize
// bytes, zero-filled by the caller). Reaches its owner from pEntry by a
// fixed offset.
typedef void (*MosObjQueryFn)(MosObjEntry *pEntry, const char *pName, void *pBuf);

inline constexpr uint32_t MOS_OBJ_CMD_ARG_SIZE = 64;

// Runs a command on the object with argc 64-byte text arguments.
typedef void (*MosObjCommandFn)(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                                const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);

// One object type, zeroed by its owner before registration.
struct MosObjType {
    MosFastlock lock;        // guards objList, pEnumObj and the cached lookup
    MosListAnchor objList;   // objects in registration order
    MosHashRecord hashRec;   // the type's record in the type table
    MosObjEntry *pEnumObj;   // enumeration cursor
    MosObjEntry *pCachedObj; // last object found by index ...
    uint32_t cachedIndex;    // ... and its index
    uint32_t queryDataSize;
    uint32_t typeId;
    MosObjQueryFn pFunc;
    MosObjCommandFn pCmdFunc; // optional
};

// Layer: the type table (64 buckets, key & 63).
[[nodiscard]] MOS_RC mosObjLayer_Init(void *pArg);
// The table must hold no type.
void mosObjLayer_Destroy();

// Registers a type; an id already registered is a broken invariant.
void mosObjType_RegObjType(MosObjType *pType, MosObjQueryFn pFunc, MosObjCommandFn pCmdFunc,
                           uint32_t typeId, uint32_t queryDataSize);
// Unregisters a type that has no objects left.
void mosObjType_UnregObjType(MosObjType *pType);

MosObjType *mosObjType_GetById(uint32_t typeId);
// Read without the lock: may be stale by the time it is used.
uint32_t mosObjType_GetNumObjs(const MosObjType *pType);
uint32_t mosObjType_GetQueryDataSize(const MosObjType *pType);

// Appends the object (its entry unlinked) with a name owned by the object.
void mosObjType_RegObj(MosObjType *pType, MosObjEntry *pObj, const char *pName);
// Removes the object; an entry that is not registered is left alone.
void mosObjType_UnregObj(MosObjType *pType, MosObjEntry *pObj);

// Fills the object's query structure through its type's query function.
void mosObj_Query(MosObjEntry *pObj, MosObjType *pType, void *pBuf);
// Runs a command when the type has a command function; else nothing.
void mosObj_Command(MosObjEntry *pObj, MosObjType *pType, uint32_t command, uint32_t argc,
                    const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);

// Enumeration holds the type's lock from start to end; every successful
// start must be ended. The lock is not recursive: query and command
// functions must not register objects of their own type.
void mosObjType_EnumStart(MosObjType *pType) MOS_ACQUIRE(pType->lock);
// The next object, or null at the end (and on every call after it).
MosObjEntry *mosObjType_EnumGetNextObj(MosObjType *pType) MOS_REQUIRES(pType->lock);
void mosObjType_EnumEnd(MosObjType *pType) MOS_RELEASE(pType->lock);

// Starts an enumeration at the object of position index (0: first) and
// returns it; the next mosObjType_EnumGetNextObj returns the one after it.
// When the list is shorter: null, and the enumeration is already ended.
MosObjEntry *mosObjType_EnumStartAtIndex(MosObjType *pType, uint32_t index);
