#pragma once

#include "zorsettings.h"

// Settings whose home directory and user name a test chooses.
class TestSettings : public ZORSettings
{
public:
    QString home;
    QString user;

    QString homePath() const override { return home; }
    QString userName() const override { return user; }
};
