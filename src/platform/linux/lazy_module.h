#pragma once

// The warning sound and the HTTP requests need Qt Multimedia and Qt Network,
// which bring some two dozen libraries of their own (sound server, codecs,
// Kerberos, proxy discovery). Each backend lives in a loadable module of its
// own, loaded on first use, so that a start maps none of them.

#include <QString>
#include <QtGlobal>

#include <memory>
#include <utility>

namespace kiebitz::platform {

class HttpControl;
class Sound;

inline const QString kSoundModuleName = QStringLiteral("kiebitz-sound.so");
inline const QString kHttpModuleName = QStringLiteral("kiebitz-http.so");

}  // namespace kiebitz::platform

// The one symbol each module exports: makes the backend, which the caller owns.
extern "C" {
Q_DECL_EXPORT kiebitz::platform::Sound* kiebitz_make_sound();
Q_DECL_EXPORT kiebitz::platform::HttpControl* kiebitz_make_http_control();
}

namespace kiebitz::platform {

// The module `name` of the program in `programFolder`: beside the program (a
// build folder), otherwise in the installed module folder.
QString programModule(const QString& programFolder, const QString& name);

// Loads the module `file` and resolves its factory `symbol`. Returns null
// when either fails, after saying why and what the program goes without
// (`without`) in a warning. The module stays loaded until the process ends:
// objects it made, and Qt's deferred deletions of them, may outlive any owner.
QFunctionPointer loadModuleFactory(const QString& file, const char* symbol, const char* without);

// A facility that a module's factory makes on the first call of get().
template <typename Facility> class ModuleFacility {
public:
    using Factory = Facility* (*)();

    ModuleFacility(QString file, const char* symbol, const char* without)
        : m_file(std::move(file)), m_symbol(symbol), m_without(without)
    {}

    // The facility, loading the module on the first call; null, for good,
    // when the module cannot be loaded.
    Facility* get()
    {
        if (!m_tried) {
            m_tried = true;
            if (const auto make = reinterpret_cast<Factory>(loadModuleFactory(m_file, m_symbol, m_without)))
                m_facility.reset(make());
        }
        return m_facility.get();
    }

    // The facility if it has been made; loads nothing.
    Facility* made() const { return m_facility.get(); }

private:
    QString m_file;
    const char* m_symbol;
    const char* m_without;
    bool m_tried = false;
    std::unique_ptr<Facility> m_facility;
};

}  // namespace kiebitz::platform
