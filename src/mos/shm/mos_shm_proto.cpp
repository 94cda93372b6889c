#include "mos_shm_proto.h"

#include <cctype>
#include <cstring>

void mosShmProto_CopyName(char *pDst, uint32_t nameCapacity, const char *pSrc) {
    memset(pDst, 0, nameCapacity);
    for (uint32_t i = 0; i + 1 < nameCapacity && pSrc[i] != '\0'; i++) {
        pDst[i] = static_cast<char>(tolower(static_cast<unsigned char>(pSrc[i])));
    }
}

void mosShmProto_NormalizeName(char *pName) {
    pName[MOS_SHM_NAME_SIZE - 1] = '\0';
    for (char *p = pName; *p != '\0'; p++) {
        *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    }
}

void mosShmProto_BuildReq(MosShmReqMsg *pMsg, uint8_t op, uint8_t flags, const char *pName,
                          uint64_t size) {
    memset(pMsg, 0, sizeof(*pMsg));
    pMsg->magic = MOS_SHM_MSG_MAGIC;
    mosShmProto_CopyName(pMsg->name, sizeof(pMsg->name), pName);
    pMsg->size = size;
    pMsg->op = op;
    pMsg->flags = flags & 0x0F;
}

MOS_RC mosShmProto_BuildReqV20(MosShmMsgV20 *pMsg, uint8_t op, uint8_t flags, const char *pName,
                               uint64_t size) {
    if (size > UINT32_MAX || op > MOS_SHM_OP__DELETE) {
        return MOS_RC__ILLEGAL;
    }
    memset(pMsg, 0, sizeof(*pMsg));
    mosShmProto_CopyName(pMsg->name, sizeof(pMsg->name), pName);
    pMsg->size = static_cast<uint32_t>(size);
    pMsg->isCreate = op == MOS_SHM_OP__CREATE ? 1 : 0;
    pMsg->bExclusive = (flags & MOS_SHM_FLAG__EXCLUSIVE) != 0 ? 1 : 0;
    pMsg->bCreate = (flags & MOS_SHM_FLAG__CREATE) != 0 ? 1 : 0;
    pMsg->bSubstring = (flags & MOS_SHM_FLAG__SUBSTRING) != 0 ? 1 : 0;
    return MOS_RC__SUCCESS;
}

MOS_RC mosShmProto_ParseResp(const void *pBuf, uint64_t *pSize, uint32_t *pRc) {
    MosShmRespMsg msg;
    memcpy(&msg, pBuf, sizeof(msg));
    if (msg.magic != MOS_SHM_MSG_MAGIC) {
        return MOS_RC__INVALID;
    }
    *pSize = msg.size;
    *pRc = msg.rc;
    return MOS_RC__SUCCESS;
}

void mosShmProto_ParseRespV20(const void *pBuf, uint64_t *pSize, uint32_t *pRc) {
    MosShmMsgV20 msg;
    memcpy(&msg, pBuf, sizeof(msg));
    *pSize = msg.size;
    *pRc = msg.rc;
}

MOS_RC mosShmProto_ParseReq(const void *pBuf, MosShmServerReq *pReq) {
    memset(pReq, 0, sizeof(*pReq));
    MosShmReqMsg msg;
    memcpy(&msg, pBuf, sizeof(msg));
    if (msg.magic != MOS_SHM_MSG_MAGIC) {
        return MOS_RC__ILLEGAL;
    }
    memcpy(pReq->name, msg.name, sizeof(pReq->name));
    pReq->size = msg.size;
    pReq->op = msg.op;
    pReq->flags = msg.flags;
    memcpy(pReq->reserved, msg.reserved, sizeof(pReq->reserved));
    return MOS_RC__SUCCESS;
}

void mosShmProto_ParseReqV20(const void *pBuf, MosShmServerReq *pReq) {
    memset(pReq, 0, sizeof(*pReq));
    MosShmMsgV20 msg;
    memcpy(&msg, pBuf, sizeof(msg));
    memcpy(pReq->name, msg.name, sizeof(pReq->name));
    pReq->size = msg.size;
    pReq->op = msg.isCreate == 0 ? MOS_SHM_OP__DELETE : MOS_SHM_OP__CREATE;
    pReq->flags = static_cast<uint8_t>(((msg.bExclusive & 1) != 0 ? MOS_SHM_FLAG__EXCLUSIVE : 0) |
                                       ((msg.bCreate & 1) != 0 ? MOS_SHM_FLAG__CREATE : 0) |
                                       ((msg.bSubstring & 1) != 0 ? MOS_SHM_FLAG__SUBSTRING : 0));
}

void mosShmProto_BuildResp(const MosShmServerResp *pResp, MosShmRespMsg *pMsg) {
    memset(pMsg, 0, sizeof(*pMsg));
    pMsg->magic = MOS_SHM_MSG_MAGIC;
    pMsg->size = pResp->size;
    pMsg->rc = pResp->rc;
}

void mosShmProto_BuildRespV20(const MosShmServerResp *pResp, MosShmMsgV20 *pMsg) {
    memset(pMsg, 0, sizeof(*pMsg));
    pMsg->size = static_cast<uint32_t>(pResp->size);
    pMsg->rc = pResp->rc;
}
