/* Embeds nkf in one translation unit: its getc/ungetc/putchar are redirected to memory buffers
   before nkf.c is included, the way nkf's own language bindings embed it, and its calls to exit()
   become a jump back to the caller so that a converter failure cannot end the editor.

   nkf keeps all its state in file-level variables, so one translation unit is one converter that
   converts one input at a time. To convert on several threads at once, this file is compiled once
   per copy (NkfEmbedCopy1.c, ...), with NKF_EMBED_COPY set to the copy's number: each copy has
   its own state, and its few names that nkf gives external linkage carry the copy's number. The
   character tables (utf8tbl.c) are read-only and are compiled into copy 0 alone, for all. */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "NkfEmbed.h"

#ifndef NKF_EMBED_COPY
#define NKF_EMBED_COPY 0
#endif
#define NKF_COPY_NAME2(name, copy) name##_copy##copy
#define NKF_COPY_NAME1(name, copy) NKF_COPY_NAME2(name, copy)
#define NKF_COPY_NAME(name) NKF_COPY_NAME1(name, NKF_EMBED_COPY)

static const unsigned char* g_in;
static size_t g_inLength;
static size_t g_inPos;
/* nkf pushes back at most a few bytes; they are kept apart so the caller's input stays read-only. */
static int g_pushback[16];
static int g_pushbackCount;

static unsigned char* g_out;
static size_t g_outCapacity;
static size_t g_outLength;
/* In a comparison the result is not written: each byte is compared with the expected bytes
   (g_expected, g_outCapacity of them), and the first that differs is remembered. */
static const unsigned char* g_expected;
static size_t g_firstDifference;
/* Set by nkf_embed_compare around the conversion it runs. */
static int g_comparing;
static const unsigned char* g_comparedBytes;
static size_t g_comparedLength;

static jmp_buf g_abort;

static NkfProgressFunction g_progress;
static void* g_progressContext;

/* How many input bytes each byte decoder (Shift_JIS, EUC-JP/ISO-2022-JP, UTF-8) consumed in this
   conversion; bytes nkf holds back while it is still guessing are counted for the decoder it then
   settles on. Used to settle a "binary" verdict (below). */
enum { DECODER_SJIS, DECODER_EUC, DECODER_UTF8, DECODER_COUNT };
static size_t g_decodedBytes[DECODER_COUNT];
static size_t g_heldBytes;
/* An escape sequence named ISO-2022-JP on the way: the EUC decoder then read ISO-2022-JP. */
static int g_sawIso2022Jp;

/* Defined after nkf.c, whose state it reads. */
static int embed_getc(void);

static int embed_ungetc(int c) {
    if (c == EOF || g_pushbackCount >= (int)(sizeof g_pushback / sizeof g_pushback[0]))
        return EOF;
    g_pushback[g_pushbackCount++] = c;
    return c;
}

static void embed_putchar(int c) {
    if (g_expected) {
        if (g_firstDifference == (size_t)-1 &&
            (g_outLength >= g_outCapacity || g_expected[g_outLength] != (unsigned char)c))
            g_firstDifference = g_outLength;
    } else if (g_outLength < g_outCapacity) {
        g_out[g_outLength] = (unsigned char)c;
    }
    ++g_outLength;
}

static void embed_abort(void) {
    longjmp(g_abort, 1);
}

#undef getc
#undef ungetc
#undef putchar
#define getc(f) embed_getc()
#define ungetc(c, f) embed_ungetc(c)
#define putchar(c) embed_putchar(c)
#define exit(code) embed_abort()
#define PERL_XS 1

#if NKF_EMBED_COPY == 0
#include "utf8tbl.c"
#else
/* nkf's names with external linkage, but for the shared read-only tables. */
#define NkfEncodingASCII NKF_COPY_NAME(NkfEncodingASCII)
#define NkfEncodingISO_2022_JP NKF_COPY_NAME(NkfEncodingISO_2022_JP)
#define NkfEncodingShift_JIS NKF_COPY_NAME(NkfEncodingShift_JIS)
#define NkfEncodingEUC_JP NKF_COPY_NAME(NkfEncodingEUC_JP)
#define NkfEncodingUTF_8 NKF_COPY_NAME(NkfEncodingUTF_8)
#define NkfEncodingUTF_16 NKF_COPY_NAME(NkfEncodingUTF_16)
#define NkfEncodingUTF_32 NKF_COPY_NAME(NkfEncodingUTF_32)
#define nkf_encoding_table NKF_COPY_NAME(nkf_encoding_table)
#define encoding_name_to_id_table NKF_COPY_NAME(encoding_name_to_id_table)
#define input_code_list NKF_COPY_NAME(input_code_list)
#define mime_priority_func NKF_COPY_NAME(mime_priority_func)
#endif
#include "nkf.c"

#undef exit

static int current_decoder(void) {
    return iconv == s_iconv ? DECODER_SJIS : iconv == e_iconv ? DECODER_EUC : iconv == w_iconv ? DECODER_UTF8 : -1;
}

static int embed_getc(void) {
    int decoder = estab_f ? current_decoder() : -1;
    if (decoder >= 0) {
        g_decodedBytes[decoder] += 1 + g_heldBytes;
        g_heldBytes = 0;
    } else {
        ++g_heldBytes;
    }
    if (input_codename && input_codename[0] == 'I')
        g_sawIso2022Jp = 1;
    if (g_pushbackCount > 0)
        return g_pushback[--g_pushbackCount];
    if (g_inPos >= g_inLength)
        return EOF;
    if (g_progress && (g_inPos & (NKF_EMBED_PROGRESS_STEP - 1)) == 0 && g_inPos > 0)
        g_progress(g_progressContext, g_inPos, g_inLength);
    return g_in[g_inPos++];
}

int NKF_COPY_NAME(nkf_embed_convert)(const char* options_text, const unsigned char* in, size_t inLength,
                                     unsigned char* out, size_t capacity, size_t* produced) {
    /* options() takes a writable string, so the caller's text is copied. */
    size_t optionsLength = strlen(options_text);
    unsigned char* opts = (unsigned char*)malloc(optionsLength + 1);
    volatile int ok = 1;
    if (!opts)
        return 0;
    memcpy(opts, options_text, optionsLength + 1);

    g_in = in;
    g_inLength = inLength;
    g_inPos = 0;
    g_pushbackCount = 0;
    g_out = out;
    g_outCapacity = g_comparing ? g_comparedLength : out ? capacity : 0;
    g_outLength = 0;
    g_expected = g_comparing ? g_comparedBytes : NULL;
    g_firstDifference = (size_t)-1;
    memset(g_decodedBytes, 0, sizeof g_decodedBytes);
    g_heldBytes = 0;
    g_sawIso2022Jp = 0;

    if (setjmp(g_abort) == 0) {
        reinit();
        /* nkf stops reading options at one it does not know and converts with the rest left at
           their defaults (ISO-2022-JP output): that would be garbage, so it is a failure. */
        if (options(opts) != 0)
            ok = 0;
        else
            kanji_convert(NULL);
    } else {
        ok = 0;
    }
    free(opts);
    *produced = g_outLength;
    return ok;
}

int NKF_COPY_NAME(nkf_embed_compare)(const char* options_text, const unsigned char* in, size_t inLength,
                                     const unsigned char* expected, size_t expectedLength, size_t* produced,
                                     size_t* firstDifference) {
    int ok;
    /* The conversion sets up its state from its output arguments, then the comparison takes over
       the output: nothing is ever written through g_out. */
    g_comparing = 1;
    g_comparedBytes = expected;
    g_comparedLength = expectedLength;
    ok = NKF_COPY_NAME(nkf_embed_convert)(options_text, in, inLength, NULL, 0, produced);
    g_comparing = 0;
    *firstDifference = g_firstDifference;
    if (*firstDifference == (size_t)-1 && *produced < expectedLength)
        *firstDifference = *produced;
    return ok;
}

void NKF_COPY_NAME(nkf_embed_set_progress)(NkfProgressFunction function, void* context) {
    g_progress = function;
    g_progressContext = context;
}

static int starts_with(const char* text, const char* prefix) {
    return text && strncmp(text, prefix, strlen(prefix)) == 0;
}

/* Runs of bytes in the input that are not well formed in the encoding (a stray byte inside a
   character spoils one or two runs); *multi receives the number of well-formed multi-byte
   characters. */
static size_t invalid_sjis(const unsigned char* p, size_t n, size_t* multi) {
    size_t bad = 0, i = 0;
    int inBad = 0;
    *multi = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            ++i;
            inBad = 0;
        } else if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < n &&
                   ((p[i + 1] >= 0x40 && p[i + 1] <= 0x7E) || (p[i + 1] >= 0x80 && p[i + 1] <= 0xFC))) {
            i += 2;
            ++*multi;
            inBad = 0;
        } else {
            bad += !inBad;
            inBad = 1;
            ++i;
        }
    }
    return bad;
}

static int euc_byte(unsigned char b) {
    return b >= 0xA1 && b <= 0xFE;
}

static size_t invalid_euc(const unsigned char* p, size_t n, size_t* multi) {
    size_t bad = 0, i = 0;
    int inBad = 0;
    *multi = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            inBad = 0;
        } else if (b == 0x8E && i + 1 < n && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF) {
            i += 2;
            ++*multi;
            inBad = 0;
        } else if (b == 0x8F && i + 2 < n && euc_byte(p[i + 1]) && euc_byte(p[i + 2])) {
            i += 3;
            ++*multi;
            inBad = 0;
        } else if (euc_byte(b) && i + 1 < n && euc_byte(p[i + 1])) {
            i += 2;
            ++*multi;
            inBad = 0;
        } else {
            bad += !inBad;
            inBad = 1;
            ++i;
        }
    }
    return bad;
}

static size_t invalid_utf8(const unsigned char* p, size_t n, size_t* multi) {
    size_t bad = 0, i = 0;
    int inBad = 0;
    *multi = 0;
    while (i < n) {
        unsigned char b = p[i];
        size_t length = 0, k;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b < 0x80) {
            ++i;
            inBad = 0;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
            length = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            length = 3, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4)
            length = 4, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        for (k = 1; length && k < length; ++k) {
            unsigned char lower = k == 1 ? lo : 0x80, upper = k == 1 ? hi : 0xBF;
            if (i + k >= n || p[i + k] < lower || p[i + k] > upper)
                length = 0;
        }
        if (length) {
            i += length;
            ++*multi;
            inBad = 0;
        } else {
            bad += !inBad;
            inBad = 1;
            ++i;
        }
    }
    return bad;
}

/* Text in the encoding with a glitch or two: a few bad runs (two for a stray byte, and one more
   for every sixteen characters), and at least twice as many characters. */
static int fits(size_t badRuns, size_t multi) {
    return multi > 0 && badRuns <= 2 + multi / 16 && multi >= 2 * badRuns;
}

/* nkf gives a "binary" verdict (an empty code name) when a later guess names another encoding
   than the first, and keeps its last guess: a Shift_JIS file with one stray byte at the end was
   labelled by the EUC decoder that read that byte, and parts of a file may have been decoded by
   each. The file is in the encoding whose characters its bytes form, but for a few out of place: UTF-8 is the strictest
   form (Shift_JIS and EUC-JP text is almost never valid UTF-8), then EUC-JP (its pairs are all 8-bit), while nearly any
   bytes pass for Shift_JIS, so they are tried in that order. Failing all, the decoder that read
   most of the input is the one the text came from. Escape sequences of ISO-2022-JP make it
   ISO-2022-JP, whose text is 7-bit and so fits any of them. */
static int binary_verdict_family(void) {
    size_t decoded[DECODER_COUNT], multi = 0, bad;
    int best = 0, d, last = current_decoder();
    if (g_sawIso2022Jp)
        return NKF_FAMILY_JIS;
    bad = invalid_utf8(g_in, g_inLength, &multi);
    if (fits(bad, multi))
        return NKF_FAMILY_UTF8;
    bad = invalid_euc(g_in, g_inLength, &multi);
    if (fits(bad, multi))
        return NKF_FAMILY_EUC;
    bad = invalid_sjis(g_in, g_inLength, &multi);
    if (fits(bad, multi))
        return NKF_FAMILY_NONE;
    memcpy(decoded, g_decodedBytes, sizeof decoded);
    if (last >= 0)
        decoded[last] += g_heldBytes;
    for (d = 1; d < DECODER_COUNT; ++d)
        if (decoded[d] > decoded[best])
            best = d;
    return best == DECODER_EUC ? NKF_FAMILY_EUC : best == DECODER_UTF8 ? NKF_FAMILY_UTF8 : NKF_FAMILY_NONE;
}

NkfFindings NKF_COPY_NAME(nkf_embed_findings)(void) {
    NkfFindings f = {NKF_FAMILY_NONE, 0, 0, 0};
    if (!input_encoding && input_codename && !*input_codename) {
        f.family = binary_verdict_family();
        f.binary = 1;
        return f;
    }
    if (iconv == w_iconv) {
        f.family = NKF_FAMILY_UTF8;
    } else if (iconv == w_iconv16 || iconv == w_iconv32) {
        f.family = iconv == w_iconv16 ? NKF_FAMILY_UTF16 : NKF_FAMILY_UTF32;
        f.bigEndian = input_endian == ENDIAN_BIG;
    } else if (iconv == e_iconv) {
        /* The EUC decoder also reads ISO-2022-JP. A forced input encoding names the family;
           otherwise EUC-JP counts only when the guess established it, and any other code name
           recorded on the way (the escape sequences record "ISO-2022-JP") means ISO-2022-JP. */
        const char* name = input_encoding ? nkf_enc_name(input_encoding) : input_codename;
        if (starts_with(name, "EUC") || starts_with(name, "eucJP") || starts_with(name, "CP51932"))
            f.family = NKF_FAMILY_EUC;
        else if (name)
            f.family = NKF_FAMILY_JIS;
    }
    if (f.family >= NKF_FAMILY_UTF8)
        f.bom = input_bom_f ? 1 : 0;
    return f;
}

#if NKF_EMBED_COPY == 0
/* The table of copies, kept by copy 0; it lists copies 0-2. */
typedef char nkf_embed_table_lists_every_copy[NKF_EMBED_COPIES == 3 ? 1 : -1];
int nkf_embed_convert_copy1(const char*, const unsigned char*, size_t, unsigned char*, size_t, size_t*);
int nkf_embed_convert_copy2(const char*, const unsigned char*, size_t, unsigned char*, size_t, size_t*);
NkfFindings nkf_embed_findings_copy1(void);
NkfFindings nkf_embed_findings_copy2(void);
void nkf_embed_set_progress_copy1(NkfProgressFunction, void*);
int nkf_embed_compare_copy1(const char*, const unsigned char*, size_t, const unsigned char*, size_t, size_t*, size_t*);
int nkf_embed_compare_copy2(const char*, const unsigned char*, size_t, const unsigned char*, size_t, size_t*, size_t*);
void nkf_embed_set_progress_copy2(NkfProgressFunction, void*);

static int (*const g_convertCopy[NKF_EMBED_COPIES])(const char*, const unsigned char*, size_t, unsigned char*,
                                                     size_t, size_t*) = {
    nkf_embed_convert_copy0, nkf_embed_convert_copy1, nkf_embed_convert_copy2};
static NkfFindings (*const g_findingsCopy[NKF_EMBED_COPIES])(void) = {
    nkf_embed_findings_copy0, nkf_embed_findings_copy1, nkf_embed_findings_copy2};
static int (*const g_compareCopy[NKF_EMBED_COPIES])(const char*, const unsigned char*, size_t, const unsigned char*,
                                                     size_t, size_t*, size_t*) = {
    nkf_embed_compare_copy0, nkf_embed_compare_copy1, nkf_embed_compare_copy2};
static void (*const g_setProgressCopy[NKF_EMBED_COPIES])(NkfProgressFunction, void*) = {
    nkf_embed_set_progress_copy0, nkf_embed_set_progress_copy1, nkf_embed_set_progress_copy2};

int nkf_embed_convert(int copy, const char* options_text, const unsigned char* in, size_t inLength,
                      unsigned char* out, size_t capacity, size_t* produced) {
    if (copy < 0 || copy >= NKF_EMBED_COPIES)
        return 0;
    return g_convertCopy[copy](options_text, in, inLength, out, capacity, produced);
}

int nkf_embed_compare(int copy, const char* options_text, const unsigned char* in, size_t inLength,
                      const unsigned char* expected, size_t expectedLength, size_t* produced, size_t* firstDifference) {
    if (copy < 0 || copy >= NKF_EMBED_COPIES)
        return 0;
    return g_compareCopy[copy](options_text, in, inLength, expected, expectedLength, produced, firstDifference);
}

void nkf_embed_set_progress(int copy, NkfProgressFunction function, void* context) {
    if (copy >= 0 && copy < NKF_EMBED_COPIES)
        g_setProgressCopy[copy](function, context);
}

NkfFindings nkf_embed_findings(int copy) {
    NkfFindings none = {NKF_FAMILY_NONE, 0, 0, 0};
    return copy >= 0 && copy < NKF_EMBED_COPIES ? g_findingsCopy[copy]() : none;
}
#endif
