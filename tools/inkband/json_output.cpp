#include "inkband/json_output.h"

namespace inkband::tool {

nlohmann::json inspectJson(const InspectResult& result, const std::string& name) {
    using nlohmann::json;
    json out;
    out["file"] = name;
    out["bytes"] = result.size;
    out["valid"] = result.status.ok;
    out["error"] = result.status.ok
                       ? json(nullptr)
                       : json{{"offset", result.status.offset}, {"message", result.status.message}};
    out["mode"] = nullptr;
    if (result.mode != nullptr) {
        json alike = json::array();
        for (const ModeInfo* mode : result.alike) alike.push_back(mode->name);
        out["mode"] = {{"name", result.mode->name},
                       {"class", result.mode->modeClass},
                       {"planes", wireLetters(*result.mode)},
                       {"depths", depthList(*result.mode)},
                       {"guessed", result.modeGuessed},
                       {"ambiguous", !result.alike.empty()},
                       {"candidates", alike}};
    }
    json pages = json::array();
    for (std::size_t p = 0; p < result.pages.size(); ++p) {
        const PageReport& r = result.pages[p];
        json planes = json::object();
        for (const auto& [letter, data] : result.stream.pages[p].planes)
            planes[letterName(letter)] = {{"payloadBytes", data.payloadBytes},
                                          {"frames", data.frames},
                                          {"emptyFrames", data.emptyFrames},
                                          {"linesWithData", data.linesWithData}};
        pages.push_back({{"offset", r.offset},
                         {"bandHeight", r.bandHeight},
                         {"bandsWithData", r.bandsWithData},
                         {"lastBand", r.lastBand},
                         {"skippedBands", r.skippedBands},
                         {"skipCommands", r.skipCommands},
                         {"endedByFormFeed", r.endedByFormFeed},
                         {"selections", r.selections},
                         {"bandsBySelection", r.bandsBySelection},
                         {"planes", planes}});
    }
    out["pages"] = pages;
    return out;
}

}  // namespace inkband::tool
