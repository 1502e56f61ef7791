#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace quillet {

class SettingsViewModel;
class Stepper;

// The Appearance tab: how many entries the tray popup lists and how wide it
// is.
class AppearanceSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumMenuWidth = 280;
    static constexpr int maximumMenuWidth = 500;
    static constexpr int menuWidthStep = 10;

    explicit AppearanceSettingsView(SettingsViewModel &viewModel, QWidget *parent = nullptr);

    // The nearest width the slider offers.
    static int snappedMenuWidth(int width);

private:
    void showItemCount();
    void showMenuWidth();

    SettingsViewModel &m_viewModel;
    QLabel *m_itemCountLabel;
    Stepper *m_itemCount;
    QSlider *m_menuWidth;
    QLabel *m_menuWidthValue;
};

} // namespace quillet
