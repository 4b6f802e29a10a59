#include "link/link_options.h"

LinkOptions& link_options() {
  static LinkOptions options;
  return options;
}
