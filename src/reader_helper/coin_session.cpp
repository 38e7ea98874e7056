#include "reader_helper/coin_session.h"

#include <Inventor/SoDB.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoMemoryError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoWWWInline.h>

namespace coin_reading {

namespace {

std::string messages;

void collectMessage(const SoError* error, void*) {
    constexpr size_t KEEP = 600;
    if (messages.size() >= KEEP) {
        return;
    }
    const std::string text = error->getDebugString().getString();
    std::string flat;
    bool space = false;
    for (const char c : text) {
        const bool white = c == ' ' || c == '\n' || c == '\t' || c == '\r';
        if (white) {
            space = !flat.empty();
        } else {
            if (space) {
                flat += ' ';
            }
            flat += c;
            space = false;
        }
    }
    const std::string buffer = " in <memory>";
    if (const size_t at = flat.find(buffer); at != std::string::npos) {
        flat.erase(at, buffer.size());
    }
    messages += (messages.empty() ? "" : " / ") + flat;
    if (messages.size() > KEEP) {
        messages.resize(KEEP);
        messages += "...";
    }
}

void skipInline(const SbString&, void*, SoVRMLInline*) {}
void skipWwwInline(const SbString&, void*, SoWWWInline*) {}
SoProto* emptyExternProto(SoInput*, const SbString*, int, void*) {
    return new SoProto(TRUE);
}
SbBool skipImage(const SbString&, void*, SoVRMLImageTexture*) {
    return FALSE;
}

// The Inventor File node reads the file it names while it is read itself; this one does not.
struct FileWithoutInclude : SoFile {
    SbBool readNamedFile(SoInput*) override { return TRUE; }
};
void* makeFileWithoutInclude() {
    return new FileWithoutInclude;
}

}  // namespace

void startCoin() {
    static const bool started = [] {
        SoDB::init();
        SoError::setHandlerCallback(collectMessage, nullptr);
        SoDebugError::setHandlerCallback(collectMessage, nullptr);
        SoReadError::setHandlerCallback(collectMessage, nullptr);
        SoMemoryError::setHandlerCallback(collectMessage, nullptr);
        SoVRMLInline::setFetchURLCallBack(skipInline, nullptr);
        SoWWWInline::setFetchURLCallBack(skipWwwInline, nullptr);
        SoProto::setFetchExternProtoCallback(emptyExternProto, nullptr);
        SoVRMLImageTexture::setDelayFetchURL(TRUE);
        SoVRMLImageTexture::setPrequalifyFileCallBack(skipImage, nullptr);
        SoType::overrideType(SoFile::getClassTypeId(), makeFileWithoutInclude);
        return true;
    }();
    (void)started;
}

void clearCoinMessages() {
    messages.clear();
}

const std::string& coinMessages() {
    return messages;
}

}  // namespace coin_reading
