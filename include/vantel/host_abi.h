/* The binary interface between the host application and the Vantel plug-in. */
#ifndef VANTEL_HOST_ABI_H
#define VANTEL_HOST_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VANTEL_EXPORT __attribute__((visibility("default")))

/* Texts cross in code page 1252 (Windows-1252), NUL-terminated, both ways, as Windows hosts of
   this interface hand them over and their stored Kalbrix files hold them: the host's replies
   (machine and item names, name lists, labels, error texts, text values), the names and keys a
   host passes to the exports, and what the plug-in sends: the item names and keys of its
   requests, which are the host's own names handed back byte for byte, and any text it writes.
   The plug-in shows them, and writes its UI log, in UTF-8. A host that keeps UTF-8 converts
   at its side, both ways (vantel/host_text.h); a character the code page lacks cannot reach
   the plug-in, and the plug-in shows the five bytes the code page leaves unassigned as U+FFFD. */

/* len: -1 = data points to one int32, > 0 = byte count, 0 = no data. Payloads cross with
   malloc/free: whichever side did not allocate a buffer frees it as the rules say. */
typedef struct HostBuffer {
  int32_t len;
  void* data;
} HostBuffer;

/* Request codes sent through ACTIONDLL. */
enum {
  REQ_HOST_VERSION = 0x100,
  REQ_HOST_LANGUAGE = 0x101,
  REQ_HOST_LEVEL = 0x102,
  REQ_USER_LEVEL = 0x200,
  REQ_MACHINE_CONNECTION = 0x10020,
  REQ_MACHINE_NAME = 0x10022,
  REQ_REGISTER_MODULE = 0x11000,
  REQ_SAVE_STATUS = 0x11001,
  REQ_ITEM_LIST = 0x20040,
  REQ_USER_VALUE = 0x20050,
  REQ_SUP_QUERY = 0x30002,
  REQ_END_ACTION = 0x30003,
  REQ_SUP_ENABLE = 0x30005,
  REQ_FNC_QUERY = 0x31003,
  REQ_FNC_ENABLE = 0x31005,
  REQ_ITEM_ID = 0x40000,
  REQ_ITEM_CLASS = 0x40001,
  REQ_ITEM_NAME = 0x40002,
  REQ_ITEM_STATE = 0x40005,
  REQ_ITEM_MARK = 0x40006,
  REQ_ITEM_ATTR_10 = 0x40010,
  REQ_ITEM_PRESENT = 0x40012,
  REQ_ITEM_IS_MAP = 0x40013,
  REQ_DAT_ENABLE = 0x40014,
  REQ_ITEM_ATTR_20 = 0x40020,
  REQ_ITEM_ATTR_23 = 0x40023,
  REQ_ITEM_ATTR_24 = 0x40024,
  REQ_ITEM_VALUE = 0x40030,
  REQ_ITEM_WRITE = 0x40032,
  REQ_ITEM_ERROR_TEXT = 0x40034,
  REQ_ITEM_ERROR_CODE = 0x40035,
  REQ_ITEM_LABEL = 0x40040,
  REQ_ITEM_LISTS = 0x40048,
  REQ_ITEM_SEND = 0x40050,
  REQ_ITEM_VSCALE = 0x40062,
  REQ_ITEM_HSCALE = 0x40064
};

/* Results of ACTIONDLL. */
enum {
  HOST_OK = 0,
  HOST_DATA_ERROR = 1,
  HOST_TARGET_ERROR = 2,
  HOST_ACTION_ERROR = 3,
  HOST_ACCESS_ERROR = 4,
  HOST_TRANSFER_ERROR = 5,
  HOST_INTERNAL_ERROR = -1
};

/* Exported by the host executable (linked with -rdynamic). */
typedef int32_t (*ActionDllFn)(int32_t machine, int32_t code, const char* item, HostBuffer* buf);
int32_t ACTIONDLL(int32_t machine, int32_t code, const char* item, HostBuffer* buf);

/* The plug-in's exports. */
VANTEL_EXPORT void VANTEL100(HostBuffer* record);
VANTEL_EXPORT void RUNSETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void CLSSETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void SAVSETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void VALSETEMG(uint32_t machine, const char* item);
VANTEL_EXPORT void SENSETEMG(uint32_t machine, const char* item);
VANTEL_EXPORT void CMDSETEMG(uint32_t machine, const char* item);
VANTEL_EXPORT void DEBSETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void RSTSETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void FEMSETEMG(uint32_t machine, const char* item);
VANTEL_EXPORT void ERRSETEMG(uint32_t machine, const char* item);
VANTEL_EXPORT void RM0SETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void RM1SETEMG(uint32_t machine, const char* key);
VANTEL_EXPORT void TIMSETEMG(int32_t a, int32_t b);
VANTEL_EXPORT void DECSETEMG(int32_t a, int32_t b);
VANTEL_EXPORT void CONSETEMG(uint32_t machine, int32_t ignored);

#ifdef __cplusplus
}
#endif

#endif
