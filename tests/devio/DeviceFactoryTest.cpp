#include <conlink/Conlink.h>

#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>

namespace {

struct FactoryCase {
    std::int32_t type;
    const std::type_info* made;  // null: no device
};

void PrintTo(const FactoryCase& c, std::ostream* os) { *os << "type " << c.type; }

class Factory : public testing::TestWithParam<FactoryCase> {};

TEST_P(Factory, MakesTheDeviceOfTheRecordsType) {
    _t_CONFIG_STATE state{GetParam().type, "endpoint", nullptr};
    Device* device = DeviceFactory::create(&state);
    if (!GetParam().made) {
        EXPECT_EQ(device, nullptr);
        return;
    }
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(typeid(*device), *GetParam().made);
    EXPECT_EQ(device->GetConfigState(), &state);
    DeviceFactory::destory(device);
}

INSTANTIATE_TEST_SUITE_P(Types, Factory,
                         testing::Values(FactoryCase{0, nullptr}, FactoryCase{1, &typeid(ComDevice)},
                                         FactoryCase{2, &typeid(LPTDevice)}, FactoryCase{3, &typeid(ENetDevice)},
                                         FactoryCase{4, &typeid(USBDevice)}, FactoryCase{5, &typeid(PrinterDevice)},
                                         FactoryCase{6, nullptr}, FactoryCase{-1, nullptr}));

TEST(FactoryEdges, NullRecordAndNullDevice) {
    EXPECT_EQ(DeviceFactory::create(nullptr), nullptr);
    DeviceFactory::destory(nullptr);
}

TEST(FactoryEdges, AnUnterminatedNameIsCutAtTheFieldsEnd) {
    _t_CONFIG_STATE state{};
    state.type = CONLINK_TYPE_SERIAL;
    std::memset(state.name, 'a', sizeof state.name);
    Device* device = DeviceFactory::create(&state);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(std::strlen(state.name), sizeof state.name - 1);
    const unsigned char b = 'x';
    EXPECT_EQ(device->write(&b, 1), CONLINK_COM_OPEN) << "too long a name opens nothing";
    DeviceFactory::destory(device);
}

TEST(Records, NetParamsLayout) {
    EXPECT_EQ(sizeof(NetParams), 258u);
    EXPECT_EQ(offsetof(NetParams, ip), 64u);
    EXPECT_EQ(offsetof(NetParams, port), 256u);
    EXPECT_EQ(sizeof(ComSettings), 20u);
    EXPECT_EQ(offsetof(_t_CONFIG_STATE, name), 4u);
}

}  // namespace
