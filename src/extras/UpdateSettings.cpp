#include "extras/UpdateSettings.h"

#include "extras/UpdateSignature.h"
#include "platform/AppInfo.h"

namespace kx {

UpdateSettings defaultUpdateSettings()
{
    // Both come from the build: the project's version, and the key given to
    // it (none by default, for builds that are not the maker's).
    return {makerSite + QStringLiteral("/wbq.inf"), {QStringLiteral("kestrix")}, QStringLiteral(KX_VERSION),
            UpdateSignature::keyFromHex(QByteArrayLiteral(KX_UPDATE_PUBLIC_KEY))};
}

}  // namespace kx
