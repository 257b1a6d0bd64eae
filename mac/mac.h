// Public interface of libmac.so, the ARP resolver library.
//
// Therad() starts one detached worker per host number of a /24 range; each
// worker asks for its host's MAC address and publishes the answer in one
// 512-byte slot of a library-wide table of 256 slots. revData() copies that
// table into an array that the caller owns and describes with MacArray.
//
// Slot layout (512 bytes, index = last octet):
//   bytes   0..255  address text, e.g. "198.18.7.17", zero-ended
//   bytes 256..511  MAC text, e.g. "00-0A-E4-20-53-55", zero-ended
// A slot of a host that has not answered (or never will) is all zero bytes.
//
// Threading: revData() may run while workers are still waiting; a copied slot
// is either all zero or holds both complete texts. A worker of an earlier
// Therad() call never writes into the table of a later call.
#pragma once

#include <stdint.h>

// The library builds with hidden visibility; only these functions are exported.
#if defined(__GNUC__)
#define MAC_API __attribute__((visibility("default")))
#else
#define MAC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define MAC_SLOT_COUNT 256
#define MAC_SLOT_SIZE 512
#define MAC_SLOT_MAC_OFFSET 256

// One-dimensional array descriptor: the caller's array of 512-byte elements
// with index bounds lowerBound..upperBound (both inclusive).
typedef struct MacArrayBound
{
    uint32_t elementCount;
    int32_t lowerBound;
} MacArrayBound;

typedef struct MacArray
{
    uint16_t dimensions;  // must be 1
    uint16_t features;    // unused, 0
    uint32_t elementSize; // must be MAC_SLOT_SIZE
    uint32_t locks;       // unused, 0
    void *data;           // elementCount * elementSize bytes
    MacArrayBound bounds[1];
} MacArray;

// Starts one worker per host number from..to (0..255, from <= to) of the
// network named by prefix ("198.18.7."), pacing the starts as set by
// SetTheradPacing (15 ms by default). Discards the previous table first.
// Returns 0; returns after the last worker has been started. A null prefix or
// a host number outside 0..255 does nothing; from > to starts no worker.
MAC_API int32_t Therad(const char *prefix, int32_t from, int32_t to);

// Copies the slots lowerBound..upperBound of the current table into the
// array that *table describes. Elements outside 0..255 are zero-filled.
// A null pointer, dimensions other than 1 or an elementSize other than
// MAC_SLOT_SIZE leave the array untouched.
MAC_API void revData(MacArray **table);

// --- Additions beyond the two original exports ---------------------------

// Milliseconds between two worker starts in Therad, 0 to 15 (clamped).
MAC_API void SetTheradPacing(int32_t milliseconds);

// How long one worker waits for its host's answer before it gives up,
// 50 to 10000 ms (clamped); 1000 ms by default.
MAC_API void SetArpTimeout(int32_t milliseconds);

// Workers of the latest Therad call that have neither answered nor failed yet.
MAC_API int32_t PendingWorkers(void);

// The further MACs that answered host number hostNumber (0..255) of the
// current table besides the one in its slot: their texts joined by single
// spaces in the order heard ("00-0A-E4-20-53-56 00-0A-E4-20-53-57"),
// zero-ended, cut to size bytes. Empty when one MAC or none answered, or the
// slot is not filled yet. Returns the text's length; a null out, a size of
// 0 or a host number outside 0..255 copy nothing and return 0.
MAC_API int32_t revFurtherMacs(int32_t hostNumber, char *out, int32_t size);

#ifdef __cplusplus
}
#endif
