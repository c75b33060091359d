/* Preloaded into the one GHDL process that dumps a design's tree
   (--file-to-xml). GHDL's runtime makes its standard output unbuffered, so
   the dump of even a small design reaches the file in some 270,000 write
   calls of a few bytes each; full buffering makes it a few hundred. Only the
   buffering of stdout changes: every byte and its order stay as GHDL writes
   them, and the C library flushes the buffer when GHDL exits. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>

int setvbuf(FILE* stream, char* buffer, int mode, size_t size)
{
    typedef int (*setvbuf_fn)(FILE*, char*, int, size_t);
    static setvbuf_fn next;
    if (!next)
        next = (setvbuf_fn)dlsym(RTLD_NEXT, "setvbuf");
    if (!next)
        return -1;
    if (stream == stdout)
        return next(stream, NULL, _IOFBF, (size_t)1 << 16);
    return next(stream, buffer, mode, size);
}
