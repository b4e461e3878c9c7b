// What a handle of the front holds of a simulated camera: the camera and the ticket it gave
// out for this handle. Every handle has one of its own.
#pragma once

#include <sdkcommon/Backend.h>

#include <memory>

#include "Camera.h"

namespace tarnix::sim {

class Connection final : public sdk::BackendCamera {
  public:
    Connection(std::shared_ptr<Camera> camera, uint32_t ticket)
        : m_Camera(std::move(camera)), m_Ticket(ticket) {}

    Camera& Cam() const { return *m_Camera; }
    uint32_t Ticket() const { return m_Ticket; }

    bool Lost() const override { return m_Camera->Lost(m_Ticket); }

    tPvErr AttrList(tPvAttrListPtr* list, uint32_t* length) override {
        return m_Camera->AttrList(m_Ticket, list, length);
    }
    tPvErr AttrInfo(const char* name, tPvAttributeInfo* info) override {
        return m_Camera->AttrInfo(m_Ticket, name, info);
    }
    tPvErr CommandRun(bool master, const char* name) override {
        return m_Camera->CommandRun(m_Ticket, master, name);
    }
    tPvErr GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                   uint32_t* size) override {
        return m_Camera->GetText(m_Ticket, name, type, buffer, bufferSize, size);
    }
    tPvErr SetText(bool master, const char* name, tPvDatatype type, const char* value) override {
        return m_Camera->SetText(m_Ticket, master, name, type, value);
    }
    tPvErr RangeEnum(const char* name, char* buffer, uint32_t bufferSize, uint32_t* size) override {
        return m_Camera->RangeEnum(m_Ticket, name, buffer, bufferSize, size);
    }
    tPvErr GetUint32(const char* name, uint32_t* value) override {
        return m_Camera->GetUint32(m_Ticket, name, value);
    }
    tPvErr SetUint32(bool master, const char* name, uint32_t value) override {
        return m_Camera->SetUint32(m_Ticket, master, name, value);
    }
    tPvErr RangeUint32(const char* name, uint32_t* min, uint32_t* max) override {
        return m_Camera->RangeUint32(m_Ticket, name, min, max);
    }
    tPvErr GetFloat32(const char* name, float* value) override {
        return m_Camera->GetFloat32(m_Ticket, name, value);
    }
    tPvErr SetFloat32(bool master, const char* name, float value) override {
        return m_Camera->SetFloat32(m_Ticket, master, name, value);
    }
    tPvErr RangeFloat32(const char* name, float* min, float* max) override {
        return m_Camera->RangeFloat32(m_Ticket, name, min, max);
    }

    tPvErr CaptureStart() override { return m_Camera->CaptureStart(m_Ticket); }
    tPvErr CaptureEnd() override { return m_Camera->CaptureEnd(m_Ticket); }
    tPvErr QueueFrame(tPvFrame* frame, tPvFrameCallback callback) override {
        return m_Camera->QueueFrame(m_Ticket, frame, callback);
    }
    tPvErr QueueClear() override { return m_Camera->QueueClear(m_Ticket); }

    tPvErr ReadRegisters(uint32_t count, const uint32_t* addresses, uint32_t* values,
                         uint32_t* completed) override {
        return m_Camera->ReadRegisters(m_Ticket, count, addresses, values, completed);
    }
    tPvErr WriteRegisters(uint32_t count, const uint32_t* addresses, const uint32_t* values,
                          uint32_t* completed) override {
        return m_Camera->WriteRegisters(m_Ticket, count, addresses, values, completed);
    }

  private:
    const std::shared_ptr<Camera> m_Camera;
    const uint32_t m_Ticket;
};

}  // namespace tarnix::sim
