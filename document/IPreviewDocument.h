// The live preview of an effect dialog, as the dialog sees its document: a backup of the image
// when the dialog opens, a new effect on every change of its values, the backup shown again on
// "RAZ", and the image exactly as it was when the dialog ends. The document implements it;
// dialog tests answer it with a fake.
#pragma once

class FCImageEffect;

class IPreviewDocument
{
public:
    virtual ~IPreviewDocument() = default;
    // Backs up the image and remembers the view to repaint.
    virtual void BeginPreview() = 0;
    // Takes the heap-allocated effect (null is allowed and shows nothing new); stops the running
    // preview and starts one with this effect from the backup. Returns without waiting for it.
    virtual void RunPreview(FCImageEffect* effect) = 0;
    // Stops the preview; the image shows the backup again; the preview goes on.
    virtual void ResetPreview() = 0;
    // Stops the preview; the image becomes the backup again.
    virtual void EndPreview() = 0;
};
