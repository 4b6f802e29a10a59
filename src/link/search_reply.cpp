#include "link/search_reply.h"

#include "link/control_frame.h"

std::vector<QString> parse_search_names(std::span<const uint8_t> datagram) {
  std::vector<QString> names;
  if (!is_full_reply(datagram) || datagram.size() <= kSearchReplyNoNameMax ||
      datagram[4] != kSearchReplyMultiviewerType)
    return names;
  for (size_t p = kSearchReplyNameOffset; p + 4 <= datagram.size(); ++p) {
    if (datagram[p] != '-' || datagram[p + 2] != '-') continue;
    names.push_back(
        QString::fromLatin1(reinterpret_cast<const char*>(datagram.data() + kSearchReplyNameOffset),
                            static_cast<qsizetype>(p - kSearchReplyNameOffset)));
  }
  return names;
}
