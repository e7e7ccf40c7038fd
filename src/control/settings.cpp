#include "control/settings.h"

#include "vandrel/host_hooks.h"

namespace vandrel {

Settings& settings() {
  static Settings block;
  return block;
}

ImportRequest RequestFromSettings(const Settings& s) {
  ImportRequest request;
  request.textFile = s.ImportFile;
  request.encoding = ParseEncoding(s.Encoding).value_or(TextEncoding::Auto);
  request.language = s.Language;
  request.target = {s.MDBFile, s.MDBPassword, s.TabImport, s.TabError};
  if (s.InfoField) request.fields = *s.InfoField;
  request.lineFields = request.fields.size();
  request.emptyTarget = s.OverWriteTab;
  request.format = s.Format;
  const HostHooks& hooks = hostHooks();
  request.progress = hooks.progress;
  request.bytesRead = hooks.bytesRead;
  request.cancel = &hooks.cancel;
  return request;
}

}  // namespace vandrel
