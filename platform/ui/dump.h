// A readable text picture of forms: every control with its geometry, texts and states.
#pragma once

#include <string>

namespace platform::ui {

class Application;
class Form;

std::string dumpForm(const Form& f);
// Every visible form of the application, modal ones marked.
std::string dumpVisibleForms(const Application& app);

const char* iconName(int icon);
const char* buttonsName(int buttons);
const char* resultName(int result);

}  // namespace platform::ui
