/* A minimal inkband host in plain C.
 *
 * Prints one page in four 1-bit planes (cyan, magenta, yellow, black) at
 * 300 dpi, so the module gathers 8-line bands: a cyan/magenta checker
 * block, a gap that the module skips, and a black bar, then writes every
 * piece the module hands back to a file.
 *
 *     minimal_host [OUT.prn]        (default: minimal.prn)
 *     inkband inspect OUT.prn       checks and describes the stream
 *
 * The call order is the one every ordinary job follows:
 *     OutputOpen, OutputInitTwo, OutputInitPart,
 *     per line OutputProduceTwo, send the pieces, OutputComplete,
 *     OutputFlush, send the pieces, OutputComplete, OutputClose.
 * The pieces point into the job's buffers and stay valid only until the
 * OutputComplete that follows, so they are written out before it. */
#include <inkband/inkband.h>
#include <stdio.h>
#include <string.h>

enum { kWidth = 256, kHeight = 64, kPlanes = 4, kBytes = kWidth / 8 };

/* Writes the pieces of one producing call, in order.  0 on a write error. */
static int sendPieces(FILE* out, const PieceList* list) {
    int16_t i;
    for (i = 0; i < list->count; ++i)
        if (fwrite(list->pieces[i].data, 1, list->pieces[i].length, out) != list->pieces[i].length)
            return 0;
    return 1;
}

/* Stops with a message naming the call whose status was not success. */
static int check(const char* call, int status) {
    if (status != INKBAND_OK) fprintf(stderr, "%s returned %d\n", call, status);
    return status == INKBAND_OK;
}

/* The bytes of plane p on line y (1 bit per pixel, first pixel in the top
 * bit); returns 0 when the plane is blank on that line. */
static int drawLine(int p, int y, uint8_t* bytes) {
    int x, any = 0;
    memset(bytes, 0, kBytes);
    for (x = 0; x < kWidth; ++x) {
        int on = 0;
        if (y < 24 && p < 2) on = ((x / 8 + y / 8 + p) & 1) != 0; /* C and M checker */
        if (y >= 40 && y < 48 && p == 3) on = x >= 16 && x < 240; /* black bar */
        if (on) {
            bytes[x / 8] |= (uint8_t)(0x80 >> (x % 8));
            any = 1;
        }
    }
    return any;
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "minimal.prn";
    OutputJob* job = NULL;
    JobSettings settings;
    PieceList* list = NULL;
    uint8_t planes[kPlanes][kBytes];
    FILE* out;
    int y, p, ok = 1;

    /* Four 1-bit planes C M Y K: row code 15, column code 0, no options. */
    memset(&settings, 0, sizeof settings);
    settings.modeRowCode = 15;
    settings.resolution = 300; /* 8-line bands */
    settings.lineWidth = kWidth;

    out = fopen(path, "wb");
    if (out == NULL) {
        perror(path);
        return 1;
    }
    if (OutputOpen(&job) != INKBAND_OPEN_OK) {
        fprintf(stderr, "OutputOpen failed\n");
        fclose(out);
        return 1;
    }
    ok = check("OutputInitTwo", OutputInitTwo(&job, &settings, (int16_t)sizeof settings)) &&
         check("OutputInitPart", OutputInitPart(&job, &settings));

    for (y = 0; ok && y < kHeight; ++y) {
        RasterLine line;
        int any = 0;
        memset(&line, 0, sizeof line);
        line.line = y;
        for (p = 0; p < kPlanes; ++p) {
            line.planes[p].width = kWidth;
            if (drawLine(p, y, planes[p])) {
                line.planes[p].data = planes[p];
                any = 1;
            } else {
                line.planes[p].data = NULL; /* blank plane on this line */
            }
        }
        if (!any) continue; /* lines blank in every plane may be left out */
        ok = check("OutputProduceTwo", OutputProduceTwo(&job, &line, &list)) &&
             sendPieces(out, list) && check("OutputComplete", OutputComplete(&job));
    }

    ok = ok && check("OutputFlush", OutputFlush(&job, &list)) && sendPieces(out, list) &&
         check("OutputComplete", OutputComplete(&job));
    OutputClose(&job);
    if (fclose(out) != 0) ok = 0;
    if (ok) printf("wrote %s\n", path);
    return ok ? 0 : 1;
}
