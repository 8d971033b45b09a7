#include "Services/AppInstallationError.h"

#include "Services/AppLanguage.h"

namespace velkora {

namespace {

std::string describe(AppInstallationError::Kind kind, const std::string& payload)
{
    const QString detail = QString::fromStdString(payload);
    switch (kind) {
    case AppInstallationError::Kind::missingComponent:
        return L(QStringLiteral("The app is missing daemon component: "), QStringLiteral("应用包缺少后台服务组件："))
                   .append(detail)
                   .toStdString();
    case AppInstallationError::Kind::invalidSignature:
        return L(QStringLiteral("App signature validation failed: "), QStringLiteral("应用签名验证失败："))
            .append(detail)
            .toStdString();
    case AppInstallationError::Kind::invalidLocation:
        return L(QStringLiteral("Tallowmere must be installed in Applications before enabling its charging daemon"),
                 QStringLiteral("Tallowmere 必须安装到“应用程序”文件夹后才能启用充电后台服务"))
            .toStdString();
    case AppInstallationError::Kind::destinationNotTrusted:
        return L(QStringLiteral(
                     "The existing Tallowmere in Applications has a different signature and was not replaced"),
                 QStringLiteral("“应用程序”中已有的 Tallowmere 签名不匹配，已停止覆盖"))
            .toStdString();
    }
    return payload;
}

}  // namespace

AppInstallationError::AppInstallationError(Kind kind, std::string payload)
    : kind_(kind), payload_(std::move(payload)), description_(describe(kind_, payload_))
{
}

AppInstallationError AppInstallationError::missingComponent(std::string component)
{
    return AppInstallationError(Kind::missingComponent, std::move(component));
}

AppInstallationError AppInstallationError::invalidSignature(std::string step)
{
    return AppInstallationError(Kind::invalidSignature, std::move(step));
}

AppInstallationError AppInstallationError::invalidLocation()
{
    return AppInstallationError(Kind::invalidLocation, {});
}

AppInstallationError AppInstallationError::destinationNotTrusted()
{
    return AppInstallationError(Kind::destinationNotTrusted, {});
}

std::string AppInstallationError::manifestMismatch()
{
    return L(QStringLiteral("The daemon manifest does not match this build"),
             QStringLiteral("后台服务清单与当前构建不匹配"))
        .toStdString();
}

}  // namespace velkora
