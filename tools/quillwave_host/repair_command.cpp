#include "repair_command.h"

#include "host_paths.h"
#include "recorder/take_repair.h"

#include <cstdio>

namespace quillwave::host {

int repairTakes(const std::vector<std::string>& files) {
    if (files.empty()) {
        std::fprintf(stderr, "quillwave_host: repair needs the take files to repair\n");
        return 2;
    }
    int status = 0;
    for (const std::string& file : files) {
        const plugins::TakeRepair result = plugins::repairTake(argumentPath(file));
        const bool fine = result.outcome == plugins::TakeRepair::Outcome::Repaired ||
                          result.outcome == plugins::TakeRepair::Outcome::Intact;
        std::fprintf(fine ? stdout : stderr, "%s%s\n",
                     fine ? "" : "quillwave_host: ", result.message.c_str());
        if (!fine) {
            status = 1;
        }
    }
    return status;
}

} // namespace quillwave::host
