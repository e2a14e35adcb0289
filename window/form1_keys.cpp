#include "window/form1_keys.hpp"

#include "window/key_press.hpp"

namespace rechner {

void Form1Keys::click(const ControlDescription& key)
{
    const KeyPress done = pressKey(key, state_, fields_);
    switch (done.next) {
    case KeyPress::Next::Nothing:
        break;
    case KeyPress::Next::Announce:
        announce(done.text);
        break;
    case KeyPress::Next::ShowError:
        showError(done.text);
        break;
    case KeyPress::Next::End:
        end();
        break;
    }
}

} // namespace rechner
