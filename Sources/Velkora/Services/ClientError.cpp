#include "Services/ClientError.h"

#include "Services/AppLanguage.h"

namespace velkora {

ClientError::ClientError(Kind kind, std::string remoteText, std::string description)
    : kind_(kind), remoteText_(std::move(remoteText)), description_(std::move(description))
{
}

ClientError ClientError::remote(std::string text)
{
    std::string description = text;
    return ClientError(Kind::remote, std::move(text), std::move(description));
}

ClientError ClientError::connectionUnavailable()
{
    return ClientError(Kind::connectionUnavailable, {},
                       localized(QStringLiteral("无法连接充电后台服务")).toStdString());
}

ClientError ClientError::invalidResponse()
{
    return ClientError(Kind::invalidResponse, {},
                       localized(QStringLiteral("后台服务返回了无效数据")).toStdString());
}

}  // namespace velkora
