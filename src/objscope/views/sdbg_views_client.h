// Pieces the storage client's views share: the records that several
// query structures nest, each as a view table over the record itself, and
// the printer that shows such a record in both views.
#pragma once

#include "sdbg_view_catalog.h"

// Text: the record's rows (its opening word is the label of the row that
// nests it). XML: a line break, two tabs and "<Wire>" (the record's struct
// name) in the colours in force, each field as an element at three tabs,
// then a line break, two tabs and "</Wire>".
void SdbgClient_PrintNested(Sdbg_LogicalView &view, const Sdbg_ViewTable &record,
                            const uint8_t *pRecord, bool bXml);
// The hook of a row that nests one record: the record by the row's table,
// tagged with the record's name.
void SdbgClient_NestedHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml);

// The nested records, by the struct they read.
extern const Sdbg_ViewTable kNetSocketQueryRecord;   // NetSocketQuery (paths)
extern const Sdbg_ViewTable kNetSockRecord;          // NetSock_Query (connections)
extern const Sdbg_ViewTable kNetRpcRecord;           // NetRPC_Query
extern const Sdbg_ViewTable kNetConLayerRecord;      // NetConLayer_Query
extern const Sdbg_ViewTable kNetChanDbgRecord;       // NetChanLayer_Dbg
extern const Sdbg_ViewTable kNetChanThrottlerRecord; // NetChanThrottler_Query, without its list
extern const Sdbg_ViewTable kMapObjRecord;           // MapObj_Query
extern const Sdbg_ViewTable kBlkDevRecord;           // BlkDev_Query
