#pragma once

#include <QByteArray>

// Sets an environment variable for one scope and puts back what was there before.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), previous_(qgetenv(name)), hadPrevious_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() { hadPrevious_ ? qputenv(name_, previous_) : qunsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    QByteArray previous_;
    bool hadPrevious_;
};
