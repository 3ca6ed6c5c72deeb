#include "platform/rtc/LazyCallClients.h"

#include "platform/HostInfo.h"
#include "platform/rtc/DeferredRtcClient.h"
#include "platform/rtc/TuningWizard.h"

namespace rtc
{

LazyCallClients::LazyCallClients(QString iniPath, QString modulePath)
    : m_iniPath(std::move(iniPath)), m_modulePath(std::move(modulePath)),
      m_probe(m_modulePath, m_iniPath)
{
}

// The library's objects go before the module that holds their code; the module itself
// stays loaded (its threads and exit handlers may still run).
LazyCallClients::~LazyCallClients() = default;

QString LazyCallClients::ModulePath()
{
    return HostInfo::ExecutableDir() + QLatin1Char('/') + QLatin1String(CallModuleName);
}

RtcResult<ICallLibrary*> LazyCallClients::Library()
{
    using Result = RtcResult<ICallLibrary*>;
    if (m_library)
        return Result::Of(m_library.get());
    // One attempt per run: a module that failed once fails the same way again.
    if (!m_loadError.isEmpty())
        return Result::Failed(m_loadError);
    m_module.setFileName(m_modulePath);
    const auto entry = reinterpret_cast<CallLibraryEntry>(m_module.resolve(CallLibrarySymbol));
    if (!entry) {
        m_loadError = QStringLiteral("The call library could not be loaded (%1).")
                          .arg(m_module.errorString());
        return Result::Failed(m_loadError);
    }
    m_library.reset(entry(m_iniPath));
    return Result::Of(m_library.get());
}

std::unique_ptr<IClient> LazyCallClients::CreateClient()
{
    auto library = [this] { return Library(); };
    auto probe = [this] { return m_probe.Result(); };
    // The picker lists the devices through this catalogue, which loads the module.
    auto picker = [this] { return TuningWizard::Run(*this, *this, m_iniPath); };
    return std::make_unique<DeferredRtcClient>(library, probe, picker,
                                               HostInfo::LocalIPv4Address());
}

std::vector<MediaDevice> LazyCallClients::Microphones()
{
    const auto library = Library();
    return library.ok() ? library.value->Microphones() : std::vector<MediaDevice>{};
}

std::vector<MediaDevice> LazyCallClients::Speakers()
{
    const auto library = Library();
    return library.ok() ? library.value->Speakers() : std::vector<MediaDevice>{};
}

std::vector<MediaDevice> LazyCallClients::Cameras()
{
    const auto library = Library();
    return library.ok() ? library.value->Cameras() : std::vector<MediaDevice>{};
}

bool LazyCallClients::PlayTone(int frequency, int durationMs, const QString& speakerId)
{
    const auto library = Library();
    return library.ok() && library.value->PlayTone(frequency, durationMs, speakerId);
}

} // namespace rtc
