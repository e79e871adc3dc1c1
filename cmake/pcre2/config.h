/* PCRE2's build options for Tessarin: a static library of 16-bit code units (the editor's
   UTF-16 text) with Unicode support and, where the target allows it, the JIT compiler. Only what
   differs from PCRE2's own defaults, and the limits it needs defined, are set here; the sources
   come from third_party/pcre2 (scripts/pcre2-source). */
#ifndef TESSARIN_PCRE2_CONFIG_H
#define TESSARIN_PCRE2_CONFIG_H

#define HAVE_MEMMOVE 1
#define HAVE_STRERROR 1
#define HAVE_STDINT_H 1
#define HAVE_INTTYPES_H 1

#define SUPPORT_UNICODE 1
/* SUPPORT_PCRE2_16 and SUPPORT_JIT come from the build (CMakeLists.txt), which knows the target. */

#define LINK_SIZE 2
#define HEAP_LIMIT 20000000
#define MATCH_LIMIT 10000000
#define MATCH_LIMIT_DEPTH MATCH_LIMIT
#define MAX_NAME_COUNT 10000
#define MAX_NAME_SIZE 32
/* LF; every pattern of the editor asks for CR LF itself. */
#define NEWLINE_DEFAULT 2
#define PARENS_NEST_LIMIT 250
#define PCRE2GREP_BUFSIZE 20480
#define PCRE2GREP_MAX_BUFSIZE 1048576

#endif
