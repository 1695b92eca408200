// rcpcv: converts RCP, R36 and G36 sequence data into Standard MIDI File data in memory.
//
// The library is loaded at run time (librcpcv.so) and called through these three functions.
// A conversion yields a handle; the SMF data it owns ("MThd" header chunk of length 6 followed
// by exactly as many "MTrk" chunks as the header counts, format 1, division = the song's
// timebase in ticks per quarter note) stay valid and unchanged until the handle is deleted.
// The functions are safe to call from several threads at once.
#ifndef NIVRA_RCPCV_RCPCV_H
#define NIVRA_RCPCV_RCPCV_H

#include <stdint.h>

#if defined(__GNUC__)
#define RCPCV_API __attribute__((visibility("default")))
#else
#define RCPCV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// An opaque 32-bit converter object handle; 0 is never a valid handle.
typedef uint32_t RcpcvHandle;

// Flags for rcpcvConvertFileFromBuffer. 0 gives the default conversion.
#define RCPCV_FLAGS_DEFAULT 0u
// For a player that loops: when every track's outermost endless loop (count 0) covers the same
// ticks, the loop body is given once, its start marked with controller 111 (B0 6F 00 in the
// first track) and the song ending where the body ends. Songs whose endless loops do not agree
// are converted as by default, each endless loop played twice.
#define RCPCV_FLAG_MARK_ENDLESS_LOOP 0x1u

// Converts `size` bytes of sequence data at `data`. `flags` is 0 or a combination of the
// flags above (other bits are ignored); the four reserved arguments should be 0. Returns a nonzero
// handle on success, 0 when the data are not a sequence file this library understands (or memory
// ran out). Damaged data never crash: a conversion either fails or yields the part of the song that
// could be read.
RCPCV_API RcpcvHandle rcpcvConvertFileFromBuffer(const void* data, uint32_t size, uint32_t flags,
                                                 uint32_t reserved1, uint32_t reserved2,
                                                 uint32_t reserved3, uint32_t reserved4);

// The SMF data of a conversion, or NULL for a handle that is 0, unknown or already deleted.
RCPCV_API const void* rcpcvGetSMF(RcpcvHandle handle);

// Releases a conversion and its SMF data. Unknown and already deleted handles are ignored.
RCPCV_API void rcpcvDeleteObject(RcpcvHandle handle);

// Types of the three entry points, for callers that look them up with dlsym/GetProcAddress.
typedef RcpcvHandle (*RcpcvConvertFileFromBufferProc)(const void*, uint32_t, uint32_t, uint32_t,
                                                      uint32_t, uint32_t, uint32_t);
typedef const void* (*RcpcvGetSMFProc)(RcpcvHandle);
typedef void (*RcpcvDeleteObjectProc)(RcpcvHandle);

#ifdef __cplusplus
}
#endif

#endif  // NIVRA_RCPCV_RCPCV_H
