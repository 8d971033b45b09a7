#include "Services/HelperStatus.h"

#include "Services/AppLanguage.h"

namespace velkora {

HelperStatus::HelperStatus(Kind kind, QString message) : kind_(kind), message_(std::move(message)) {}

HelperStatus HelperStatus::repairFailed(QString message)
{
    return HelperStatus(Kind::repairFailed, std::move(message));
}

HelperStatus HelperStatus::unavailable(QString message)
{
    return HelperStatus(Kind::unavailable, std::move(message));
}

HelperStatus HelperStatus::unsupportedDevice()
{
    return HelperStatus(Kind::unsupportedDevice);
}

HelperStatus HelperStatus::notInstalled()
{
    return HelperStatus(Kind::notInstalled);
}

HelperStatus HelperStatus::requiresApproval()
{
    return HelperStatus(Kind::requiresApproval);
}

HelperStatus HelperStatus::starting()
{
    return HelperStatus(Kind::starting);
}

HelperStatus HelperStatus::enabled()
{
    return HelperStatus(Kind::enabled);
}

HelperStatus HelperStatus::versionMismatch()
{
    return HelperStatus(Kind::versionMismatch);
}

HelperStatus HelperStatus::repairing()
{
    return HelperStatus(Kind::repairing);
}

HelperStatus HelperStatus::invalidLocation()
{
    return HelperStatus(Kind::invalidLocation);
}

HelperStatus HelperStatus::offline()
{
    return HelperStatus(Kind::offline);
}

QString HelperStatus::title() const
{
    switch (kind_) {
    case Kind::repairFailed:
        return L(QStringLiteral("Repair Failed"), QStringLiteral("修复失败"));
    case Kind::unavailable:
        return localized(QStringLiteral("连接失败"));
    case Kind::unsupportedDevice:
        return L(QStringLiteral("Background Service Not Needed"), QStringLiteral("无需后台服务"));
    case Kind::notInstalled:
        return localized(QStringLiteral("未安装"));
    case Kind::requiresApproval:
        return localized(QStringLiteral("等待系统批准"));
    case Kind::starting:
        return L(QStringLiteral("Starting"), QStringLiteral("正在启动"));
    case Kind::enabled:
        return localized(QStringLiteral("已启用"));
    case Kind::versionMismatch:
        return L(QStringLiteral("Update Required"), QStringLiteral("需要更新"));
    case Kind::repairing:
        return L(QStringLiteral("Repairing"), QStringLiteral("正在修复"));
    case Kind::invalidLocation:
        return L(QStringLiteral("Move to Applications"), QStringLiteral("需要安装到应用程序"));
    case Kind::offline:
        return L(QStringLiteral("Service Offline"), QStringLiteral("服务离线"));
    }
    return {};
}

QString HelperStatus::actionTitle() const
{
    switch (kind_) {
    case Kind::repairFailed:
    case Kind::versionMismatch:
    case Kind::offline:
        return L(QStringLiteral("Repair Now"), QStringLiteral("立即修复"));
    case Kind::unavailable:
    case Kind::notInstalled:
        return L(QStringLiteral("Install"), QStringLiteral("安装"));
    case Kind::unsupportedDevice:
        return L(QStringLiteral("Not Needed"), QStringLiteral("无需安装"));
    case Kind::requiresApproval:
        return L(QStringLiteral("Open System Settings"), QStringLiteral("打开系统设置"));
    case Kind::starting:
    case Kind::repairing:
        return L(QStringLiteral("Working"), QStringLiteral("处理中"));
    case Kind::enabled:
        return L(QStringLiteral("Enabled"), QStringLiteral("已启用"));
    case Kind::invalidLocation:
        return L(QStringLiteral("Install and Relaunch"), QStringLiteral("安装并重启"));
    }
    return {};
}

bool HelperStatus::isBusy() const
{
    return kind_ == Kind::starting || kind_ == Kind::repairing;
}

}  // namespace velkora
