#include "engine/RunDisclosure.h"

#include "engine/PrivilegedScript.h"
#include "engine/UpdateContext.h"
#include "engine/UpdateFontInfo.h"

namespace fu {
namespace {

constexpr const char* kAskUpdate =
    "アップデート完了後にコンピュータを再起動する必要があります。今すぐアップデートを実行してよろしいですか？";

void listScripts(std::string& text, const ScriptInfo* scripts,
                 std::initializer_list<const char*> keys) {
    bool any = false;
    for (const char* key : keys) {
        const auto script = scripts ? scripts->scriptStringForKey(key) : std::nullopt;
        if (!script) continue;
        text += "・" + *script + "\n";
        any = true;
    }
    if (!any) text += "・なし\n";
}

} // namespace

std::optional<std::string> untrustedDefinitionWarning(const SignatureVerification& signature) {
    std::string why;
    switch (signature.status) {
    case SignatureStatus::SignedBy: return std::nullopt;
    case SignatureStatus::Unsigned: why = "署名がありません"; break;
    case SignatureStatus::UnknownKey:
        why = "署名した鍵（" + signingKeyIdText(signature.keyId) +
              "）はこのコンピュータで信頼されていません";
        break;
    case SignatureStatus::BadSignature:
        why = "署名が内容と一致しません。作成後に書き換えられた可能性があります";
        break;
    }
    return "注意：このアップデート定義は、信頼できる作成者によって署名されていない定義です（" +
           why +
           "）。そのため、アップデートするのはあなたのフォントフォルダのフォントだけです。コンピュータのフォント"
           "フォルダには触れず、管理者権限では何も実行しません。フォントキャッシュの再構築と再起動のスクリプトは、"
           "アップデートの前に内容を表示してから、あなたの権限で実行します。";
}

std::string updateConfirmationText(const UpdateContext& info) {
    std::string text = std::string(kAskUpdate) + "\n\n";
    const ScriptInfo* scripts = info.scriptInfo.get();
    const bool withRights =
        info.updateFontInfo && info.updateFontInfo->countOfLocalDomainItemRequestUpdate() != 0;
    if (withRights) {
        text += "管理者権限で実行するもの（署名：" + info.definitionSignature.signerName +
                "）：\n"
                "・コンピュータのフォントフォルダのフォントの置き換え\n";
        for (std::string_view key : kPrivilegedScriptKeys) {
            const PrivilegedCommand command = privilegedCommandOfDefinition(
                info.definitionBytes, key, TrustStore::system(), info.appCopyrightStr);
            if (command.refusal == 0) text += "・" + describePrivilegedCommand(command) + "\n";
        }
    } else {
        text += "あなたの権限で実行するもの：\n";
        listScripts(text, scripts, {"UserChacheRemove", "UserShutdown", "UserPing"});
    }
    text += "\n再起動するときにあなたの権限で実行するもの：\n";
    listScripts(text, scripts, {"ASRestartComputer"});
    if (text.back() == '\n') text.pop_back();
    return text;
}

} // namespace fu
