/* JPEG decoding core over a read callback. The library's fatal errors longjmp back here instead
 * of ending the process; only C frames lie between, so the decompressor is destroyed cleanly. */
#include "imagedecode.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

enum
{
    kJpegInputBufferSize = 4096,
    kJpegMaxScans = 1000
};

typedef struct JpegErrorManager
{
    struct jpeg_error_mgr pub;
    jmp_buf escape;
} JpegErrorManager;

typedef struct JpegSource
{
    struct jpeg_source_mgr pub;
    QfImageReadFn read;
    void* ctx;
    JOCTET* buffer;
    boolean startOfFile;
} JpegSource;

static void JpegOnErrorExit(j_common_ptr cinfo)
{
    longjmp(((JpegErrorManager*)cinfo->err)->escape, 1);
}

static void JpegOnEmitMessage(j_common_ptr cinfo, int level)
{
    (void)cinfo;
    (void)level;
}

static void JpegOnOutputMessage(j_common_ptr cinfo)
{
    (void)cinfo;
}

/* A stream with an absurd number of progressive scans is treated as corrupt. */
static void JpegOnProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && ((j_decompress_ptr)cinfo)->input_scan_number > kJpegMaxScans)
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

static void JpegInitSource(j_decompress_ptr cinfo)
{
    ((JpegSource*)cinfo->src)->startOfFile = TRUE;
}

static boolean JpegFillInputBuffer(j_decompress_ptr cinfo)
{
    JpegSource* src = (JpegSource*)cinfo->src;
    size_t got = src->read(src->ctx, src->buffer, kJpegInputBufferSize);
    if (got == 0)
    {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        /* Supply an end-of-image marker so decoding ends with what was read. */
        src->buffer[0] = (JOCTET)0xFF;
        src->buffer[1] = (JOCTET)JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = FALSE;
    return TRUE;
}

static void JpegSkipInputData(j_decompress_ptr cinfo, long count)
{
    JpegSource* src = (JpegSource*)cinfo->src;
    if (count <= 0)
        return;
    while (count > (long)src->pub.bytes_in_buffer)
    {
        count -= (long)src->pub.bytes_in_buffer;
        (void)JpegFillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += (size_t)count;
    src->pub.bytes_in_buffer -= (size_t)count;
}

static void JpegTermSource(j_decompress_ptr cinfo)
{
    (void)cinfo;
}

static void JpegUseSource(j_decompress_ptr cinfo, QfImageReadFn read, void* ctx)
{
    JpegSource* src;
    if (cinfo->src == NULL)
    {
        cinfo->src = (struct jpeg_source_mgr*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                                         sizeof(JpegSource));
        src = (JpegSource*)cinfo->src;
        src->buffer = (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                          kJpegInputBufferSize * sizeof(JOCTET));
    }
    src = (JpegSource*)cinfo->src;
    src->pub.init_source = JpegInitSource;
    src->pub.fill_input_buffer = JpegFillInputBuffer;
    src->pub.skip_input_data = JpegSkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = JpegTermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = NULL;
    src->read = read;
    src->ctx = ctx;
}

int QfJpegDecode(QfImageReadFn read, void* ctx, QfDecodedImage* out)
{
    struct jpeg_decompress_struct cinfo;
    JpegErrorManager jerr;
    struct jpeg_progress_mgr progress;
    unsigned char* volatile pixels = NULL;
    size_t pitch;
    int side;

    memset(out, 0, sizeof *out);
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = JpegOnErrorExit;
    jerr.pub.emit_message = JpegOnEmitMessage;
    jerr.pub.output_message = JpegOnOutputMessage;
    if (setjmp(jerr.escape))
    {
        jpeg_destroy_decompress(&cinfo);
        free(pixels);
        memset(out, 0, sizeof *out);
        return 0;
    }

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = 16777216L;
    progress.progress_monitor = JpegOnProgress;
    cinfo.progress = &progress;
    JpegUseSource(&cinfo, read, ctx);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA; /* 4 bytes B, G, R, 0xFF */
    cinfo.dct_method = JDCT_FLOAT;

    side = QfImageSquareSide((long)cinfo.image_width, (long)cinfo.image_height);
    if (side == 0)
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    pitch = (size_t)side * 4;
    pixels = (unsigned char*)calloc((size_t)side, pitch);
    if (!pixels)
        ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);

    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4 || cinfo.output_width != cinfo.image_width ||
        cinfo.output_height != cinfo.image_height)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        JSAMPROW row = (JSAMPROW)(pixels + (size_t)cinfo.output_scanline * pitch);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
    }
    out->width = (int)cinfo.image_width;
    out->height = (int)cinfo.image_height;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    out->pixels = pixels;
    out->stride = side;
    return 1;
}
