/* Copy 2 of the embedded converter (see NkfEmbed.c). */
#define NKF_EMBED_COPY 2
#include "NkfEmbed.c"
