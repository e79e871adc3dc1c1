/* Embeds nkf in one translation unit: its getc/ungetc/putchar are redirected to memory buffers
   before nkf.c is included, the way nkf's own language bindings embed it, and its calls to exit()
   become a jump back to the caller so that a converter failure cannot end the editor. */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "NkfEmbed.h"

static const unsigned char* g_in;
static size_t g_inLength;
static size_t g_inPos;
/* nkf pushes back at most a few bytes; they are kept apart so the caller's input stays read-only. */
static int g_pushback[16];
static int g_pushbackCount;

static unsigned char* g_out;
static size_t g_outCapacity;
static size_t g_outLength;

static jmp_buf g_abort;

static int embed_getc(void) {
    if (g_pushbackCount > 0)
        return g_pushback[--g_pushbackCount];
    if (g_inPos >= g_inLength)
        return EOF;
    return g_in[g_inPos++];
}

static int embed_ungetc(int c) {
    if (c == EOF || g_pushbackCount >= (int)(sizeof g_pushback / sizeof g_pushback[0]))
        return EOF;
    g_pushback[g_pushbackCount++] = c;
    return c;
}

static void embed_putchar(int c) {
    if (g_outLength < g_outCapacity)
        g_out[g_outLength] = (unsigned char)c;
    ++g_outLength;
}

static void embed_abort(void) { longjmp(g_abort, 1); }

#undef getc
#undef ungetc
#undef putchar
#define getc(f) embed_getc()
#define ungetc(c, f) embed_ungetc(c)
#define putchar(c) embed_putchar(c)
#define exit(code) embed_abort()
#define PERL_XS 1

#include "utf8tbl.c"
#include "nkf.c"

#undef exit

int nkf_embed_convert(const char* options_text, const unsigned char* in, size_t inLength, unsigned char* out,
                      size_t capacity, size_t* produced) {
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
    g_outCapacity = out ? capacity : 0;
    g_outLength = 0;

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

static int starts_with(const char* text, const char* prefix) {
    return text && strncmp(text, prefix, strlen(prefix)) == 0;
}

NkfFindings nkf_embed_findings(void) {
    NkfFindings f = {NKF_FAMILY_NONE, 0, 0};
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
