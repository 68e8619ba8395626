// _SC and _SR send a command line; _TC makes sure the unit is in loader mode; _ST sends
// like _SC and then takes the link down and up again.

#include "engine/arguments.h"
#include "engine/script_engine.h"

namespace zarvex {

int ScriptEngine::sendCommand(std::string_view word, std::string_view line) {
    const auto text = formQ(line);
    if (!text)
        return 1;
    LoaderState& s = ctx_.state;
    s.commandText.assign(replaceEscape(*text + "\r", "^M", '\r'));
    link_.send_command();
    ctx_.clock.sleep(100);
    ctx_.pump();
    return word == "_ST" ? reconnectLink() : 1;
}

int ScriptEngine::reconnectLink() {
    LoaderState& s = ctx_.state;
    if (ctx_.port.isOpen()) {
        if (reconnect.closeSerial)
            reconnect.closeSerial();
        else
            ctx_.port.close();
    } else if (ctx_.socket.active()) {
        if (reconnect.closeEthernet)
            reconnect.closeEthernet();
        else
            ctx_.socket.close();
    }
    ctx_.clock.sleep(4500);
    bool up = true;
    if (s.linkKind == 0) {
        if (reconnect.openSerial)
            reconnect.openSerial(s.lastComPort);
        up = ctx_.port.isOpen();
    } else if (s.linkKind == 1) {
        if (reconnect.showEthernetDialog)
            reconnect.showEthernetDialog();
        up = ctx_.socket.active();
    }
    if (!up) {
        ctx_.showError("Error! Unable to connect to unit! Exiting script");
        return 0;
    }
    return 1;
}

int ScriptEngine::testLoaderMode(std::string_view line) {
    const auto text = formQ(line);
    if (!text)
        return 1;
    LoaderState& s = ctx_.state;
    const std::string probe = replaceEscape(*text, "^M", '\r');
    ctx_.clock.sleep(200);
    s.set_prompt(s.loaderPrompt);
    s.promptWaitLimit = 135;

    bool inLoaderMode = link_.SendCOMCmd_GetPrompt(probe);
    if (!inLoaderMode) {
        link_.SendString(s.loaderEntryCommand);
        ctx_.clock.sleep(500);
        inLoaderMode = link_.SendCOMCmd_GetPrompt("\r");
    }
    for (int pause : {2500, 2000}) {
        if (inLoaderMode)
            break;
        ctx_.clock.sleep(pause);
        ctx_.pump();
        inLoaderMode = link_.SendCOMCmd_GetPrompt("\r");
    }
    if (!inLoaderMode) {
        s.set_prompt(s.normalPrompt);
        const bool normal = link_.SendCOMCmd_GetPrompt("\r");
        ctx_.showError(normal ? "Error! Unit not in Loader Mode! Exiting script"
                              : "Error! Unable to get response from unit(_TC)! Exiting script");
        return 0;
    }
    s.promptWaitLimit = 400;
    ctx_.clock.sleep(500);
    return 1;
}

} // namespace zarvex
