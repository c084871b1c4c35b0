/* Ferrolink: ISO transport connections to Siemens controllers over H1 or TCP/IP (RFC 1006).
 *
 * Calling order: H1_GetAdapternames (H1 only) -> H1_Open_Channel -> H1_Create_Connection per
 * controller -> H1_Send_Request / H1_Send_Write_Data, polling the request block's completion field
 * (and, on TCP channels, calling TCP_Read for every connection in the poll loop) ->
 * H1_Disconnect_Connection / H1_Kill_Connection -> H1_Close_Channel.
 *
 * The request block is caller-owned memory; all its numbers are little-endian. The library keeps a
 * pointer to it from the send call until the request completes and writes only the fields marked
 * "written by the library" below, item slots up to the item count, and the data area up to its
 * limits. */
#ifndef FERROLINK_H
#define FERROLINK_H

#ifdef __cplusplus
extern "C" {
#else
#include <uchar.h>
#endif

#define FL_EXPORT __attribute__((visibility("default")))

/* Limits */
#define FL_MAX_CHANNELS 2
#define FL_MAX_CONNECTIONS 256
#define FL_MAX_FRAME 1518
#define FL_MAX_ITEMS 32

/* Channel kinds: FL_CHANNEL_TCP for TCP/IP, anything else is H1. */
#define FL_CHANNEL_TCP 6

/* Connection kinds */
#define FL_KIND_S5 0
#define FL_KIND_S7 1
#define FL_KIND_S5_FORM2 2

/* Request block offsets (bytes) */
#define FL_RB_ITEM_COUNT 0 /* uint32, S7: 1..32 */
#define FL_RB_ITEM_BASE 8  /* item i starts at FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i */
#define FL_RB_ITEM_SIZE 24
#define FL_RB_ITEM_AREA 0      /* uint32: S7 area code; S5 organisation id (item 0) */
#define FL_RB_ITEM_DB 4        /* uint16: data block number */
#define FL_RB_ITEM_LENGTH 8    /* uint16: bytes (S7) or words (S5) */
#define FL_RB_ITEM_START 12    /* uint32: start (byte) address */
#define FL_RB_ITEM_BYTES 16    /* uint32, written by the library: bytes returned */
#define FL_RB_ITEM_RESULT 20   /* uint32, written by the library: result code */
#define FL_RB_COMPLETION 776   /* uint32, written by the library */
#define FL_RB_CAPACITY 780     /* uint32: capacity of the data area for S5 answers */
#define FL_RB_REFERENCE 784    /* uint32: request reference */
#define FL_RB_REQUEST_KIND 788 /* uint16 */
#define FL_RB_DATA 800         /* data area */
#define FL_RB_SLOT_SIZE 64     /* S7 item i uses FL_RB_DATA + FL_RB_SLOT_SIZE * i */
/* Smallest block that holds every S7 slot. */
#define FL_RB_S7_BLOCK_SIZE (FL_RB_DATA + FL_RB_SLOT_SIZE * FL_MAX_ITEMS)

/* Completion values */
#define FL_COMPLETION_RUNNING 3
#define FL_COMPLETION_DONE 1
#define FL_COMPLETION_OTHER_REFERENCE 4

/* Request kinds */
#define FL_REQ_S5_FETCH 1
#define FL_REQ_S5_WRITE 2
#define FL_REQ_S5_FETCH_FORM2 3
#define FL_REQ_S5_WRITE_FORM2 4
#define FL_REQ_S7_READ 5
#define FL_REQ_S7_WRITE 6

/* S7 memory area codes for FL_RB_ITEM_AREA */
#define FL_S7_AREA_INPUTS 0x81
#define FL_S7_AREA_OUTPUTS 0x82
#define FL_S7_AREA_MARKERS 0x83
#define FL_S7_AREA_DB 0x84

/* Item result codes */
#define FL_RESULT_OK 0
#define FL_RESULT_NOT_DATA_ACK 21
#define FL_RESULT_PLAIN_ACK 22
#define FL_RESULT_SHORT_ANSWER 33

/* Connection states */
#define FL_STATE_IDLE_DISCONNECTED 0
#define FL_STATE_CR_SENT 1
#define FL_STATE_CONNECTED 2
#define FL_STATE_REQUEST_SENT 3
#define FL_STATE_ANSWER_EXPECTED 4
#define FL_STATE_COLLECTING 6
#define FL_STATE_CLOSED 7

/* Connection status record: 36 bytes of 16-bit fields (host order); offsets in bytes. */
#define FL_CS_INDEX 0
#define FL_CS_STATE 2
#define FL_CS_RETRANSMISSION_TIMER 4
#define FL_CS_CONNECTION_TIMER 6
#define FL_CS_RETRIES 8
#define FL_CS_REQUEST_PENDING 10
#define FL_CS_SEND_CREDIT 12
#define FL_CS_CONNECTIONS 14
#define FL_CS_SEND_NUMBER 16
#define FL_CS_FRAME_RESENDS 18
#define FL_CS_ACK_RESENDS 20
#define FL_CS_PENDING_SENT 22
#define FL_CS_RECONNECTIONS 24
#define FL_CS_THROUGHPUT 26
#define FL_CS_DISCONNECTS_RECEIVED 28
#define FL_CS_TPDU_SIZE_CODE 30
#define FL_CS_PDU_SIZE 32
#define FL_CS_SOCKET_CHECK 34
#define FL_CS_SIZE 36

/* Channel status record: the adapter's 6-byte Ethernet address. */
#define FL_CHANNEL_STATUS_SIZE 6

/* Adapter list: a 32-bit word (adapters found), 10 description pointers, 10 device-name pointers;
 * each points to 128 UTF-16 characters, empty when not filled. */
#define FL_MAX_ADAPTERS 10
#define FL_ADAPTER_TEXT 128
typedef struct FerrolinkAdapterList {
    unsigned int count;
    char16_t *description[FL_MAX_ADAPTERS];
    char16_t *name[FL_MAX_ADAPTERS];
} FerrolinkAdapterList;

FL_EXPORT void *H1_GetAdapternames(void);
FL_EXPORT int H1_Open_Channel(int kind, int channel, const char16_t *adapter);
FL_EXPORT void H1_Close_Channel(int channel);
FL_EXPORT int H1_Create_Connection(int channel, const char *tsap, const unsigned char *remote, int kind,
                                   void *request);
FL_EXPORT int H1_Disconnect_Connection(int connection);
FL_EXPORT int H1_Kill_Connection(int connection);
FL_EXPORT int H1_Send_Request(int connection, void *request);
FL_EXPORT int H1_Send_Write_Data(int connection, void *request);
FL_EXPORT void *H1_Get_Connection_Status(int connection);
FL_EXPORT void *H1_Get_Channel_Status(int channel);
FL_EXPORT int TCP_Read(int connection);

#ifdef __cplusplus
}
#endif

#endif /* FERROLINK_H */
