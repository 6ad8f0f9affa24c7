// The inkband command line: "print" and "inspect" with their options.
#include <CLI/CLI.hpp>
#include <map>

#include "inkband/commands.h"
#include "inkband/inkband.h"

using namespace inkband::tool;

int main(int argc, char** argv) {
    CLI::App app{
        "inkband: prints pictures through the inkband module and inspects the printer "
        "command streams it writes"};
    app.set_version_flag("--version", std::string("inkband ") + INKBAND_VERSION_STRING);
    app.require_subcommand(1);

    PrintOptions print;
    CLI::App* printCommand =
        app.add_subcommand("print",
                           "halftone a picture (or the built-in test page) and write "
                           "the printer's command stream");
    printCommand->add_option("input", print.input, "PNG or PNM/PAM picture (default: test page)");
    printCommand->add_option("-o,--output", print.output, "command stream to write (.prn)");
    printCommand->add_option("-m,--mode", print.mode, "print mode (see --list-modes)");
    printCommand->add_flag("--list-modes", print.listModes, "list the print modes and exit");
    CLI::Option* resolution = printCommand->add_option(
        "-r,--resolution", print.resolution,
        "dots per inch: 300 gives 8-line bands, 600 16, any other 1 (default 300)");
    printCommand->add_option("-w,--width", print.width, "page width in pixels")
        ->check(CLI::NonNegativeNumber);
    CLI::Option* pageWidth =
        printCommand->add_option("--page-width", print.pageWidth,
                                 "page width in inches when --width is not given (default 4)");
    printCommand->add_option("-p,--pages", print.pages, "print the page this many times")
        ->check(CLI::PositiveNumber);
    CLI::Option* alternate =
        printCommand->add_flag("--alt-sequence", print.alternateSequence,
                               "use the alternate call sequence: pages end with OutputFormFeed");
    printCommand
        ->add_option("--settings", print.settingsFile,
                     "send this raw 376-byte JobSettings record instead of building one")
        ->excludes(resolution)
        ->excludes(pageWidth)
        ->excludes(alternate);
    printCommand
        ->add_option("--gcr", print.gcr, "share of grey that black prints, 0 to 1 (default 1)")
        ->check(CLI::Range(0.0, 1.0));
    printCommand
        ->add_option("--ink-limit", print.inkLimit,
                     "most ink on one pixel, percent of one ink at full (default 400)")
        ->check(CLI::Range(100, 600));
    printCommand
        ->add_option("--quality", print.quality,
                     "draft or normal (ordered dither), high (error diffusion); default normal")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, inkband::host::Quality>{
                {"draft", inkband::host::Quality::Draft},
                {"normal", inkband::host::Quality::Normal},
                {"high", inkband::host::Quality::High}},
            CLI::ignore_case));
    printCommand->add_option("--dump-planes", print.dumpDir,
                             "write the halftoned planes sent, as PGM files, into this folder");
    printCommand->add_flag("-q,--quiet", print.quiet, "print no summary");
    bool noProgress = false;
    printCommand->add_flag("--no-progress", noProgress, "no progress bar on stderr");

    InspectOptions inspect;
    CLI::App* inspectCommand =
        app.add_subcommand("inspect", "check a command stream and report on it page by page");
    inspectCommand->add_option("file", inspect.input, "command stream (.prn)")->required();
    inspectCommand->add_option("--png", inspect.png,
                               "draw a page: the printed colours and one thumbnail per plane");
    inspectCommand->add_flag("--json", inspect.json, "report as JSON");
    inspectCommand->add_option("-m,--mode", inspect.mode,
                               "mode the stream was printed in (default: guessed)");
    inspectCommand
        ->add_option("--width", inspect.width, "page width in pixels (default: widest line)")
        ->check(CLI::NonNegativeNumber);
    inspectCommand
        ->add_option("--height", inspect.height,
                     "page height in lines (default: to the last band with data)")
        ->check(CLI::NonNegativeNumber);
    inspectCommand->add_option("--page", inspect.page, "page that --png draws (default 1)");
    inspectCommand->add_option("--dump-planes", inspect.dumpDir,
                               "write every page's planes, as PGM files, into this folder");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit 0; every usage error exits 2.
        return app.exit(e) == 0 ? 0 : 2;
    }
    print.progress = !noProgress;
    if (printCommand->parsed()) return runPrint(print);
    return runInspect(inspect);
}
