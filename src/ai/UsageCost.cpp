#include "ai/UsageCost.h"

namespace quillet {

QString estimatedCost(const QString &model, qint64 inputTokens, qint64 outputTokens)
{
    const bool pro = model.toLower().contains(QLatin1String("pro"));
    const double inputRate = pro ? 2.0 : 0.25;
    const double outputRate = pro ? 12.0 : 1.5;
    const double cost
        = inputRate * double(inputTokens) / 1'000'000.0 + outputRate * double(outputTokens) / 1'000'000.0;
    return QStringLiteral("$") + QString::asprintf("%.4f", cost);
}

} // namespace quillet
