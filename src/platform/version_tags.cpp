// Version tags: NUL-terminated ASCII in the module's constant data, naming
// this module and its two companion components, each with a four-part
// version.  Nothing reads them; they let a person (or `strings`) tell which
// build a binary is.  `used` keeps the linker from dropping them.
#include "inkband/inkband.h"

namespace inkband {

extern const char kVersionTagLibrary[];
extern const char kVersionTagTool[];
extern const char kVersionTagFilter[];

[[gnu::used]] const char kVersionTagLibrary[] = "inkband library " INKBAND_VERSION_STRING;
[[gnu::used]] const char kVersionTagTool[] = "inkband tool " INKBAND_VERSION_STRING;
[[gnu::used]] const char kVersionTagFilter[] = "rastertoinkband filter " INKBAND_VERSION_STRING;

}  // namespace inkband
