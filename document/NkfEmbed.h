#pragma once
/* The C face of the embedded nkf converter: whole-buffer conversions over the converter's
   file-level state. The converter is compiled in NKF_EMBED_COPIES copies with state of their own:
   each copy converts one input at a time, and different copies may convert on different threads
   at once. Only the converter adapter (Converter.cpp) calls these. */
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NKF_EMBED_COPIES 3

/* What the last conversion's decoder found, read from the converter's state. */
typedef struct NkfFindings {
    int family;    /* one of the NKF_FAMILY_ values */
    int bigEndian; /* UTF-16/UTF-32 only */
    int bom;       /* the input began with a byte-order mark that the decoder consumed */
    int binary;    /* nkf's guess changed its mind (its "binary" verdict); family then names the
                      encoding the input fits best, which the text should be decoded again in */
} NkfFindings;

enum {
    NKF_FAMILY_NONE = 0, /* Shift_JIS, or nothing multi-byte established */
    NKF_FAMILY_EUC = 1,
    NKF_FAMILY_JIS = 2,
    NKF_FAMILY_UTF8 = 3,
    NKF_FAMILY_UTF16 = 4,
    NKF_FAMILY_UTF32 = 5
};

/* Resets the copy (0 to NKF_EMBED_COPIES - 1) of the converter, applies the options (a
   blank-separated option text), converts the input and writes at most `capacity` bytes of the
   result to `out` (which may be null with capacity 0). *produced receives the full length of the
   result. Returns 0 when an option is unknown, the copy does not exist or the converter gave up
   (it would otherwise have ended the process), 1 otherwise. */
int nkf_embed_convert(int copy, const char* options, const unsigned char* in, size_t inLength, unsigned char* out,
                      size_t capacity, size_t* produced);

/* Converts as nkf_embed_convert does, but writes nothing: the result is compared with the
   expectedLength bytes at `expected`. *produced receives the result's full length and
   *firstDifference the offset of its first byte that differs from them (a result that stops
   short differs where it stops; one that goes on past them, at expectedLength), or (size_t)-1
   when the result is the expected bytes. Returns as nkf_embed_convert does. */
int nkf_embed_compare(int copy, const char* options, const unsigned char* in, size_t inLength,
                      const unsigned char* expected, size_t expectedLength, size_t* produced, size_t* firstDifference);

/* Told, on the converting thread, how much of its input a conversion has read: about every
   NKF_EMBED_PROGRESS_STEP bytes, and never from inside a pushback. The function must return (no
   jump out of the converter); it may not start another conversion on the same copy. */
typedef void (*NkfProgressFunction)(void* context, size_t done, size_t total);
#define NKF_EMBED_PROGRESS_STEP ((size_t)1 << 20)

/* The progress function for the copy's conversions from now on (null: none). */
void nkf_embed_set_progress(int copy, NkfProgressFunction function, void* context);

/* The findings of the copy's last conversion. */
NkfFindings nkf_embed_findings(int copy);

#ifdef __cplusplus
}
#endif
