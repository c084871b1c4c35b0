/* A poll engine in C that knows only ferrolink.h: it writes and reads a real S7 server, then waits
 * for a line on standard input (the test restarts the server meanwhile) and reads again until the
 * library has reconnected. Prints one line per phase; exit code 0 when everything held. */
#include "ferrolink.h"

#include <arpa/inet.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static unsigned char block[FL_RB_S7_BLOCK_SIZE];

static void put32(int offset, uint32_t v)
{
    memcpy(block + offset, &v, 4);
}
static void put16(int offset, uint16_t v)
{
    memcpy(block + offset, &v, 2);
}
static uint32_t get32(int offset)
{
    uint32_t v;
    memcpy(&v, block + offset, 4);
    return v;
}
static uint16_t status(int connection, int offset)
{
    uint16_t v;
    memcpy(&v, (unsigned char *)H1_Get_Connection_Status(connection) + offset, 2);
    return v;
}
static void pause_briefly(void)
{
    struct timespec t = {0, 200000};
    nanosleep(&t, NULL);
}
static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void one_item(uint16_t kind, uint32_t reference, uint32_t area, uint16_t db, uint16_t length,
                     uint32_t start)
{
    put32(FL_RB_ITEM_COUNT, 1);
    put32(FL_RB_REFERENCE, reference);
    put16(FL_RB_REQUEST_KIND, kind);
    put32(FL_RB_ITEM_BASE + FL_RB_ITEM_AREA, area);
    put16(FL_RB_ITEM_BASE + FL_RB_ITEM_DB, db);
    put16(FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH, length);
    put32(FL_RB_ITEM_BASE + FL_RB_ITEM_START, start);
}

/* Sends the block and polls until it completes; 1 when it completed with item 0 fine. */
static int run(int connection, int write, double timeout_ms)
{
    double end = now_ms() + timeout_ms;
    int sent = write ? H1_Send_Write_Data(connection, block) : H1_Send_Request(connection, block);
    /* Refused while an earlier request runs: keep polling so that the library gets on with it. */
    while (now_ms() < end) {
        TCP_Read(connection);
        if (sent == 1 && get32(FL_RB_COMPLETION) != FL_COMPLETION_RUNNING) {
            return get32(FL_RB_COMPLETION) == FL_COMPLETION_DONE &&
                   get32(FL_RB_ITEM_BASE + FL_RB_ITEM_RESULT) == FL_RESULT_OK;
        }
        pause_briefly();
    }
    return 0;
}

int main(int argc, char **argv)
{
    const char *address = argc > 1 ? argv[1] : "127.0.0.1";
    struct in_addr ip;
    if (inet_pton(AF_INET, address, &ip) != 1) {
        return 2;
    }
    uint32_t host_order = ntohl(ip.s_addr);
    unsigned char remote[6] = {0};
    memcpy(remote, &host_order, 4);

    if (H1_Open_Channel(FL_CHANNEL_TCP, 0, NULL) != 1) {
        return 3;
    }
    int c = H1_Create_Connection(0, "R=0;S=2", remote, FL_KIND_S7, block);
    if (c < 0) {
        return 4;
    }
    double end = now_ms() + 5000;
    while (status(c, FL_CS_STATE) != FL_STATE_CONNECTED && now_ms() < end) {
        TCP_Read(c);
        pause_briefly();
    }
    one_item(FL_REQ_S7_WRITE, 1, FL_S7_AREA_DB, 1, 4, 4);
    memcpy(block + FL_RB_DATA, "\x01\x02\x03\x04", 4);
    if (!run(c, 1, 5000)) {
        return 5;
    }
    one_item(FL_REQ_S7_READ, 2, FL_S7_AREA_DB, 1, 4, 4);
    memset(block + FL_RB_DATA, 0, 4);
    if (!run(c, 0, 5000) || memcmp(block + FL_RB_DATA, "\x01\x02\x03\x04", 4) != 0) {
        return 6;
    }
    printf("restart\n");
    fflush(stdout);
    char line[16];
    if (fgets(line, sizeof line, stdin) == NULL) {
        return 7;
    }
    /* Ask again and again, as a poll engine does, until the library has reconnected. */
    end = now_ms() + 30000;
    uint32_t reference = 3;
    int done = 0;
    while (!done && now_ms() < end) {
        one_item(FL_REQ_S7_READ, reference++, FL_S7_AREA_DB, 10, 4, 0);
        done = run(c, 0, 1000) && memcmp(block + FL_RB_DATA, "\x00\x01\x02\x03", 4) == 0;
    }
    if (!done) {
        return 8;
    }
    printf("reconnected %u\n", (unsigned)status(c, FL_CS_RECONNECTIONS));
    H1_Disconnect_Connection(c);
    H1_Kill_Connection(c);
    H1_Close_Channel(0);
    return 0;
}
