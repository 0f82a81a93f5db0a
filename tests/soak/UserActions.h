#pragma once

#include <QString>

#include <random>

class RunningConfigurator;

// What a user may do to the configurator at any moment: the command buttons, the settings'
// sliders and boxes, the service form's buttons and fields, the About dialog. Controls that are
// disabled are clicked all the same and must do nothing.
class UserActions
{
public:
    UserActions(RunningConfigurator &run, std::mt19937 &random);

    // Does one action, chosen at random, and returns its name.
    QString act();

private:
    QString clickCommand();
    QString changeSetting();
    QString useServiceForm();
    QString useAboutDialog();
    int pick(int count);

    RunningConfigurator &run;
    std::mt19937 &random;
};
