// A document for dialog tests that previews synchronously: each effect is applied at once, on
// the calling thread with the single-thread driver, to a copy of the backup, and every call
// lands in one timeline that the tests' own hooks may write into too.
//
//   testdlg::FakePreviewDoc doc(testimg::Varied(16, 12, 24));
//   CGeneric1SliderDialog<FCEffectSeuil, 0, 255, 128> dialog(&doc, "Seuil", "Niveau");
//   dialog.show();                          // "Begin", "Run"
//   dialog.TrackBar(1)->setValue(200);      // a user's move: "Run"
//   EXPECT_TRUE(doc.Shows(FCEffectSeuil(200)));
//
// Random effects draw from a generator state set before each run; Expected() does the same, so
// a preview and a direct application give the same pixels.
#pragma once

#include "document/IPreviewDocument.h"
#include "imagelib/FCImageEffect.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/FCRandom.h"

#include "TestImages.h"

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace testdlg
{
class FakePreviewDoc : public IPreviewDocument
{
public:
    static constexpr std::uint32_t kRandomState = 20240611u;

    explicit FakePreviewDoc(FCObjImage picture = testimg::Varied(24, 16, 24)) : image(std::move(picture)) {}

    void BeginPreview() override
    {
        timeline.push_back("Begin");
        backup = image;
        ++begins;
    }
    void RunPreview(FCImageEffect* effect) override
    {
        std::unique_ptr<FCImageEffect> owned(effect);
        timeline.push_back("Run");
        ++runs;
        lastEffectType = owned ? typeid(*owned).name() : "";
        image = backup;
        if (owned) ApplyTo(image, *owned);
    }
    void ResetPreview() override
    {
        timeline.push_back("Reset");
        ++resets;
        image.PasteImageAt(backup, 0, 0);
    }
    void EndPreview() override
    {
        timeline.push_back("End");
        ++ends;
        image = backup;
    }

    // A mark of the test's own in the timeline (a hook that ran, a step of the test).
    void Note(const std::string& what) { timeline.push_back(what); }
    void ClearTimeline() { timeline.clear(); }

    // The backup with the effect applied as a preview applies it.
    FCObjImage Expected(FCImageEffect& effect) const
    {
        FCObjImage out = backup;
        ApplyTo(out, effect);
        return out;
    }
    FCObjImage Expected(FCImageEffect&& effect) const { return Expected(effect); }
    // Whether the image is what a preview of the effect shows.
    bool Shows(FCImageEffect& effect) const { return testimg::SamePixels(image, Expected(effect)); }
    bool Shows(FCImageEffect&& effect) const { return Shows(effect); }

    static void ApplyTo(FCObjImage& picture, FCImageEffect& effect)
    {
        const std::uint32_t saved = FCRandomGetState();
        FCRandomSetState(kRandomState);
        FCObjImage::ApplyEffect(picture, effect, nullptr);
        FCRandomSetState(saved);
    }

    FCObjImage image;
    FCObjImage backup;
    std::vector<std::string> timeline;
    int begins = 0, runs = 0, resets = 0, ends = 0;
    std::string lastEffectType; // typeid name of the last effect run
};
} // namespace testdlg
