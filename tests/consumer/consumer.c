/* A minimal C host: opens a job, initialises it, prints one empty page and
 * closes it, through the installed header and library. */
#include <inkband/inkband.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    OutputJob* job = NULL;
    JobSettings settings;
    PieceList* list = NULL;
    memset(&settings, 0, sizeof settings);
    settings.modeRowCode = 15; /* four 1-bit planes */
    settings.resolution = 300;
    settings.lineWidth = 64;
    if (OutputOpen(&job) != INKBAND_OPEN_OK) return 1;
    if (OutputInitTwo(&job, &settings, (int16_t)sizeof settings) != INKBAND_OK) return 2;
    if (OutputInit() != INKBAND_REFUSED) return 3;
    OutputClose(&job);
    if (job != NULL) return 4;
    (void)list;
    puts("consumer ok");
    return 0;
}
