/* Copy 1 of the embedded converter (see NkfEmbed.c). */
#define NKF_EMBED_COPY 1
#include "NkfEmbed.c"
