/*
 * inkband — raster output back end of an inkjet printer driver.
 *
 * The host (the driver's rendering component, a CUPS filter, the inkband
 * tool) calls ten entry points: once per job, once per page and once per
 * raster line.  For every line it hands over one packed bit-plane per ink
 * and gets back the printer's command stream for that line as a list of
 * (pointer, length) pieces that point straight into the job's own buffers.
 *
 * The module performs no input or output, logs nothing and keeps no global
 * state: everything lives in the job record created by OutputOpen.  Jobs are
 * independent and may run on different threads; one job is used by one
 * caller at a time.
 *
 * Typical job (see docs/stream.md for the stream itself):
 *
 *     OutputJob* job = NULL;
 *     OutputOpen(&job);                               state 1
 *     OutputInitTwo(&job, &settings, sizeof settings); 1 -> 2
 *     for each page:
 *         OutputInitPart(&job, &settings);            2 -> 3
 *         for each raster line:
 *             OutputProduceTwo(&job, &line, &list);   3 -> 4
 *             send list->pieces[0 .. list->count - 1] in order
 *             OutputComplete(&job);                   4 -> 3
 *         OutputFlush(&job, &list);                   3 -> 7
 *         send the pieces
 *         OutputComplete(&job);                       7 -> 2
 *     OutputClose(&job);                              any state
 *
 * Bad input never crashes the module and never makes it write outside a
 * buffer: it is refused with a status and the job is left as it was.
 */
#ifndef INKBAND_INKBAND_H
#define INKBAND_INKBAND_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * Version
 * ---------------------------------------------------------------------- */

#define INKBAND_VERSION_MAJOR 1
#define INKBAND_VERSION_MINOR 0
#define INKBAND_VERSION_PATCH 0
#define INKBAND_VERSION_BUILD 0
/* The four parts above joined with dots, as one string literal: the version
 * the module's version tags carry.  The build reads the version from these
 * lines; they are the only place it is written. */
#define INKBAND_VERSION_STRINGIZE_(x) #x
#define INKBAND_VERSION_STRINGIZE(x) INKBAND_VERSION_STRINGIZE_(x)
#define INKBAND_VERSION_STRING                                                  \
    INKBAND_VERSION_STRINGIZE(INKBAND_VERSION_MAJOR)                            \
    "." INKBAND_VERSION_STRINGIZE(INKBAND_VERSION_MINOR)                        \
    "." INKBAND_VERSION_STRINGIZE(INKBAND_VERSION_PATCH)                        \
    "." INKBAND_VERSION_STRINGIZE(INKBAND_VERSION_BUILD)

/* ------------------------------------------------------------------------
 * Export decoration.  On Windows the DLL exports the ten entry points from
 * a module-definition file; elsewhere the shared library exports exactly
 * these names and hides every other symbol.
 * ---------------------------------------------------------------------- */

#if defined(_WIN32)
#define INKBAND_API
#elif defined(__GNUC__)
#define INKBAND_API __attribute__((visibility("default")))
#else
#define INKBAND_API
#endif

/* ------------------------------------------------------------------------
 * Status values (16-bit signed, except OutputOpen's 32-bit result)
 * ---------------------------------------------------------------------- */

/* The call did its work. */
#define INKBAND_OK ((int16_t)0)
/* Refused: no job in the slot (or a null slot address), settings of the
 * wrong size or without a print mode, a source plane depth other than 1, 2
 * or 4 bits, a form feed outside the alternate sequence, a null argument, a
 * bad plane descriptor or line number; and every call of OutputInit. */
#define INKBAND_REFUSED ((int16_t)-128)
/* A buffer could not be allocated, or a line does not fit the band
 * buffer of its plane.  The job was not changed; the call may be repeated
 * (see OutputProduceTwo for the caller's bytes in the ten-plane modes). */
#define INKBAND_NO_MEMORY ((int16_t)-108)
/* The entry point is not allowed in the job's current call-sequence state. */
#define INKBAND_WRONG_STATE ((int16_t)-256)
/* The job has no sequence record, OutputInitTwo was called in a state other
 * than 1, or the operation is not offered by the call-sequence table in
 * force (OutputFormFeed in an ordinary job). */
#define INKBAND_NOT_OFFERED ((int16_t)-1)

/* OutputOpen's 32-bit results. */
#define INKBAND_OPEN_OK ((int32_t)262)        /* 0x106 */
#define INKBAND_OPEN_FAILED ((int32_t)-32506) /* 0xFFFF8106 */

/* ------------------------------------------------------------------------
 * Records.  All layouts are little-endian with 64-bit pointers; the offsets
 * are part of the interface and checked at compile time below.
 * ---------------------------------------------------------------------- */

/* The job.  Opaque: created by OutputOpen, released by OutputClose.  The
 * caller keeps one OutputJob* slot per job and passes its address. */
typedef struct OutputJob OutputJob;

/* One plane line, 16 bytes.
 *   offset 0  data   the plane's bytes; NULL: the plane is blank on this line
 *   offset 8  width  line length in pixels (0 .. 32767)
 *   offset 10 left   blank pixels at the start; left == width: blank line
 *   offset 12 right  blank pixels at the end
 *   offset 14        reserved, not read
 * Pixels are packed at the plane's depth (1, 2 or 4 bits), the first pixel
 * of a byte in its most significant bits.  The non-blank span is pixels
 * left .. width - right - 1; data must cover the bytes of that span. */
typedef struct PlaneLine {
    uint8_t* data;
    int16_t width;
    int16_t left;
    int16_t right;
    uint16_t reserved;
} PlaneLine;

/* Most source planes any print mode delivers per raster line. */
#define INKBAND_MAX_SOURCE_PLANES 6

/* The input of OutputProduceTwo: 8-byte head, then one PlaneLine per source
 * plane of the page's print mode, in the mode's plane order.  Only the first
 * sourcePlaneCount entries are read, so a host may pass a shorter record of
 * 8 + 16 x sourcePlaneCount bytes.
 *   offset 0  line      raster line number in the page (0, 1, ...); line
 *                       numbers increase from call to call; lines blank in
 *                       every plane may be left out
 *   offset 4            reserved, not read
 *   offset 8  planes[i] source plane i */
typedef struct RasterLine {
    int32_t line;
    uint32_t reserved;
    PlaneLine planes[INKBAND_MAX_SOURCE_PLANES];
} RasterLine;

/* One piece of output, 16 bytes: send length bytes from data.
 *   offset 0  data
 *   offset 8  length
 *   offset 10 reserved (zero) */
typedef struct Piece {
    const uint8_t* data;
    uint16_t length;
    uint8_t reserved[6];
} Piece;

/* The list a producing call hands back, 24 bytes.  Send pieces[0] ..
 * pieces[count - 1] in order, then call OutputComplete.  The list and the
 * bytes its pieces point to belong to the job and stay valid and unchanged
 * until that OutputComplete.
 *   offset 0  count       number of valid pieces
 *   offset 2              reserved (zero)
 *   offset 8  pieces      the piece array
 *   offset 16 appendBase  the array the module appends through (internal;
 *                         equal to pieces whenever count > 0) */
typedef struct PieceList {
    int16_t count;
    uint8_t reserved[6];
    Piece* pieces;
    Piece* appendBase;
} PieceList;

/* Size of the settings record; OutputInitTwo refuses any other size. */
#define INKBAND_SETTINGS_SIZE 376

/* Job and page settings, 376 bytes.  Eight 16-bit little-endian fields are
 * read; every other byte is ignored.
 *   offset 2   modeColumnCode      column selector of the print mode
 *   offset 16  modeOptionA         print-mode option (1 or other)
 *   offset 18  resolution          300: 8-line bands, 600: 16, other: 1
 *   offset 26  altSequenceRequest  1: alternate call sequence, 8-line bands
 *   offset 94  modeRowCode         row selector of the print mode
 *   offset 106 modeOptionB         print-mode option (1 or other)
 *   offset 108 modeOptionC         print-mode option (0, 1 or 2, or other)
 *   offset 128 lineWidth           pixels per raster line
 * OutputInitTwo takes the row code, column code and line width for the whole
 * job; OutputInitPart takes the options, resolution and request per page. */
typedef struct JobSettings {
    uint8_t reserved0[2];
    int16_t modeColumnCode;
    uint8_t reserved4[12];
    int16_t modeOptionA;
    int16_t resolution;
    uint8_t reserved20[6];
    int16_t altSequenceRequest;
    uint8_t reserved28[66];
    int16_t modeRowCode;
    uint8_t reserved96[10];
    int16_t modeOptionB;
    int16_t modeOptionC;
    uint8_t reserved110[18];
    int16_t lineWidth;
    uint8_t reserved130[246];
} JobSettings;

/* ------------------------------------------------------------------------
 * Entry points.  "slot" is always the address of the caller's OutputJob*
 * slot.  A null slot address, or a slot that holds no job, makes every
 * status-returning entry point return INKBAND_REFUSED.  Every entry point
 * but OutputOpen, OutputInit and OutputClose checks the call sequence first
 * and returns INKBAND_WRONG_STATE (or INKBAND_NOT_OFFERED) unchanged when the
 * call is not allowed now; a refused call changes nothing.
 *
 * States of an ordinary job: 1 opened, 2 initialised (no page open), 3 page
 * open, 4 a line is waiting for its OutputComplete, 7 the page was flushed
 * and waits for its OutputComplete.  Jobs whose settings ask for the
 * alternate sequence use states 9 to 19 (see docs/stream.md).
 * ---------------------------------------------------------------------- */

/* Creates a job and stores it in *slot.  Returns INKBAND_OPEN_OK, or
 * INKBAND_OPEN_FAILED for a null slot address (nothing written) or a failed
 * allocation (the slot is left null, nothing is held).  The slot is
 * overwritten: close any job it held first. */
INKBAND_API int32_t OutputOpen(OutputJob** slot);

/* Kept for hosts that call it: always returns INKBAND_REFUSED (as a 32-bit
 * value) and touches nothing. */
INKBAND_API int32_t OutputInit(void);

/* Once per job, in state 1 (ordinary: 1 -> 2; alternate: 9 -> 10).  Stores
 * the row code, column code and line width and checks that the settings
 * give a print mode.  size must be INKBAND_SETTINGS_SIZE.  An
 * altSequenceRequest of 1 switches the job to the alternate sequence even
 * when the rest of the call fails.  INKBAND_NOT_OFFERED outside state 1;
 * INKBAND_REFUSED for a null settings pointer, a wrong size or settings
 * without a print mode. */
INKBAND_API int16_t OutputInitTwo(OutputJob** slot, const JobSettings* settings,
                                  int16_t size);

/* Opens a page (ordinary: state 2 -> 3; alternate: 10 -> 11).  Resolves the
 * print mode from the job's codes and this call's options, allocates the
 * page buffers and sets the band height.  INKBAND_REFUSED for a null
 * settings pointer or an unusable plane depth; INKBAND_NO_MEMORY when a
 * buffer cannot be allocated (nothing is kept, the call may be repeated).
 * On a page of the alternate sequence whose buffers already exist, the
 * buffers are reused and settings that resolve to a different mode are
 * refused with INKBAND_REFUSED. */
INKBAND_API int16_t OutputInitPart(OutputJob** slot, const JobSettings* settings);

/* A producing step without a line (state 3 -> 4): emits nothing.  The
 * OutputComplete that follows commits nothing. */
INKBAND_API int16_t OutputProduce(OutputJob** slot);

/* Takes one raster line (state 3 -> 4) and stores the job's PieceList in
 * *out: the page header on the page's first line, then whatever bands this
 * line completed.  Send the pieces, then call OutputComplete.
 *
 * Refusals, all of which change nothing:
 *   INKBAND_REFUSED    null line or out; a plane descriptor outside
 *                      0 <= left, 0 <= right, left + right <= width <=
 *                      lineWidth (planes with NULL data, left == width or
 *                      left + right == width are blank: nothing of them is
 *                      read, checked further or sent); a negative line
 *                      number, or one not above the last line of this page;
 *                      a call that would need more than 32767 pieces.
 *   INKBAND_NO_MEMORY  the line does not fit its plane's band buffer, or a
 *                      command buffer cannot be allocated.
 *
 * In the ordinary print modes the caller's plane bytes are only read.  In
 * the ten-plane modes (mode classes 7 and 10) each source plane's bytes
 * 0 .. u-1, u being the byte that holds pixel width - right - 1 plus one,
 * are read and partly rewritten in place: the bytes before the span's first
 * byte are set to 0, and in the bytes holding the span's first and last
 * non-zero pixel the pixels outside the span are cleared.  Other pixels
 * outside the span within those bytes are converted as they are, so pass
 * them as 0.  The rewrite may already have happened when the call is refused
 * with INKBAND_NO_MEMORY. */
INKBAND_API int16_t OutputProduceTwo(OutputJob** slot, RasterLine* line,
                                     PieceList** out);

/* Acknowledges the pieces of the last producing call (4 -> 3 after a line,
 * 7 -> 2 after a flush, 15 -> 10 after a form feed, 16 -> 19 at the end of
 * an alternate job).  Commits the line, moves held lines into place, and
 * after a flush releases the page buffers. */
INKBAND_API int16_t OutputComplete(OutputJob** slot);

/* Ends the page (state 3 -> 7): completes the last band with blank lines and
 * emits it.  Stores the job's PieceList in *out (INKBAND_REFUSED for a null
 * out).  Blank bands at the foot of the page are never sent.  In the
 * alternate sequence it ends the job (10 -> 16). */
INKBAND_API int16_t OutputFlush(OutputJob** slot, PieceList** out);

/* Ends a page of the alternate sequence at formLength raster lines (state
 * 11 -> 15); the page buffers are kept for the next page.  An ordinary job
 * gets INKBAND_NOT_OFFERED. */
INKBAND_API int16_t OutputFormFeed(OutputJob** slot, PieceList** out,
                                   int32_t formLength);

/* Releases everything the job holds and clears the slot, in any state.  A
 * null slot address or an empty slot is left alone. */
INKBAND_API void OutputClose(OutputJob** slot);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ------------------------------------------------------------------------
 * Layout checks: these records cross the interface byte for byte.
 * ---------------------------------------------------------------------- */

#if defined(__cplusplus)
#define INKBAND_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define INKBAND_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
#define INKBAND_STATIC_ASSERT(cond, msg)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
INKBAND_STATIC_ASSERT(sizeof(PlaneLine) == 16, "PlaneLine is 16 bytes");
INKBAND_STATIC_ASSERT(offsetof(PlaneLine, data) == 0, "PlaneLine.data at 0");
INKBAND_STATIC_ASSERT(offsetof(PlaneLine, width) == 8, "PlaneLine.width at 8");
INKBAND_STATIC_ASSERT(offsetof(PlaneLine, left) == 10, "PlaneLine.left at 10");
INKBAND_STATIC_ASSERT(offsetof(PlaneLine, right) == 12, "PlaneLine.right at 12");
INKBAND_STATIC_ASSERT(offsetof(RasterLine, line) == 0, "RasterLine.line at 0");
INKBAND_STATIC_ASSERT(offsetof(RasterLine, planes) == 8, "RasterLine.planes at 8");
INKBAND_STATIC_ASSERT(sizeof(RasterLine) == 8 + 16 * INKBAND_MAX_SOURCE_PLANES,
                      "RasterLine is 8 + 16 bytes per plane");
INKBAND_STATIC_ASSERT(sizeof(Piece) == 16, "Piece is 16 bytes");
INKBAND_STATIC_ASSERT(offsetof(Piece, data) == 0, "Piece.data at 0");
INKBAND_STATIC_ASSERT(offsetof(Piece, length) == 8, "Piece.length at 8");
INKBAND_STATIC_ASSERT(sizeof(PieceList) == 24, "PieceList is 24 bytes");
INKBAND_STATIC_ASSERT(offsetof(PieceList, count) == 0, "PieceList.count at 0");
INKBAND_STATIC_ASSERT(offsetof(PieceList, pieces) == 8, "PieceList.pieces at 8");
INKBAND_STATIC_ASSERT(offsetof(PieceList, appendBase) == 16,
                      "PieceList.appendBase at 16");
#endif
INKBAND_STATIC_ASSERT(sizeof(JobSettings) == INKBAND_SETTINGS_SIZE,
                      "JobSettings is 376 bytes");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, modeColumnCode) == 2,
                      "modeColumnCode at 2");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, modeOptionA) == 16, "modeOptionA at 16");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, resolution) == 18, "resolution at 18");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, altSequenceRequest) == 26,
                      "altSequenceRequest at 26");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, modeRowCode) == 94, "modeRowCode at 94");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, modeOptionB) == 106,
                      "modeOptionB at 106");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, modeOptionC) == 108,
                      "modeOptionC at 108");
INKBAND_STATIC_ASSERT(offsetof(JobSettings, lineWidth) == 128, "lineWidth at 128");

#endif /* INKBAND_INKBAND_H */
