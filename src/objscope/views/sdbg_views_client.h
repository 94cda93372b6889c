// Pieces the storage client's views share: the records that several
// query structures nest, each as a view table over the record itself, and
// the printer that shows such a record in both views.
#pragma once

#include "sdbg_view_catalog.h"

// Text: the record's rows (its opening word is the label of the row that
// nests it). XML: a line break, two tabs and "<tag>" in the colours in
// force, each field as an element at three tabs, then a line break, two
// tabs and "</tag>".
void SdbgClient_PrintNested(Sdbg_LogicalView &view, const Sdbg_ViewTable &record,
                            const uint8_t *pRecord, const char *pTag, bool bXml);

// The nested records, by the struct they read.
extern const Sdbg_ViewTable kNetSocketQueryRecord;   // NetSocketQuery (paths)
extern const Sdbg_ViewTable kNetSockRecord;          // NetSock_Query (connections)
extern const Sdbg_ViewTable kNetRpcRecord;           // NetRPC_Query
extern const Sdbg_ViewTable kNetConLayerRecord;      // NetConLayer_Query
extern const Sdbg_ViewTable kNetChanDbgRecord;       // NetChanLayer_Dbg
extern const Sdbg_ViewTable kNetChanThrottlerRecord; // NetChanThrottler_Query, without its list
extern const Sdbg_ViewTable kMapObjRecord;           // MapObj_Query
extern const Sdbg_ViewTable kBlkDevRecord;           // BlkDev_Query
