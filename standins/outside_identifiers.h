#pragma once

#include <windows.h>

// The identifiers that the client's earlier generations and its agent wrote
// into the registry, as their own setups and servers know them. The stand-ins
// and the test machines use these, never the launcher's copies, so that a
// mistyped identifier in the launcher leaves something behind that the tests
// see. Written out by hand on purpose: do not derive them from the launcher.

namespace zu::outside {

// InstallShield product codes of generations 4, 5, 5.8.0 and 6; the package's
// response files are made from these lines.
inline constexpr wchar_t kProductCodeGen4[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A04}";
inline constexpr wchar_t kProductCodeGen5[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A05}";
inline constexpr wchar_t kProductCodeGen58[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A58}";
inline constexpr wchar_t kProductCodeGen6[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A06}";

// Windows Installer components, three (64-bit edition) and two or three
// (32-bit edition) per generation in the order 2, 3, 4, 5, unnumbered.
inline constexpr const wchar_t* kComponentCodes64[] = {
    L"{1469208D-6867-4C28-9C26-EA10CDC85A5B}", L"{5119773A-2535-4567-990C-24E1DF67FDA7}",
    L"{0D7BAC94-8A44-4D2B-9803-C69C8AB72AA9}", L"{4CC3A9EA-7B68-4CA5-84A2-F61EEA5F5468}",
    L"{2019031D-2BDA-4BBE-9DAD-A76E81EC5433}", L"{B67FC376-D9D5-4A3F-8868-3876AD0F75C4}",
    L"{6A6E4F00-C659-4A79-A298-8AF4992163E6}", L"{CC4E21DA-372A-49AC-834A-AFC77BD01BF4}",
    L"{6BA50CF8-FEAE-44BC-8C34-DA13224BAA54}", L"{D880C99D-3CF6-4CA9-9D4E-A56E1A033DCA}",
    L"{AB8503E0-C883-438D-A337-E797FF1462E0}", L"{53276202-4370-4FAB-9A97-37FE1ED8F0DD}",
    L"{D72D9E56-52BB-46E3-8F82-B1B656C5AF4A}", L"{DDC944AC-3AEE-461B-8B6E-0D789F093C59}",
    L"{C7C6D325-77DE-4658-9D55-51A0F318EBE6}",
};
inline constexpr const wchar_t* kComponentCodes32[] = {
    L"{C8C87658-FB11-4C6C-A7C8-DA96CA877363}", L"{93E10D93-7284-4F00-9EDB-1498968A0EA4}",
    L"{271131C3-263A-4835-AF91-804682215BE3}", L"{577AB348-4F4A-42FE-8E73-D6F98CAA1B21}",
    L"{81F628B6-6914-414A-8989-ACCFDBC8F0F3}", L"{45EEBBD4-CAFD-4FCB-AF1D-8A9B6E55DBC9}",
    L"{814215B6-8631-4C26-BE69-190DB84A86FC}", L"{060BFFB4-9FC1-4222-8B35-9A4E36A9C523}",
    L"{7BDA8284-6C9E-47D7-88EC-EF75FEC808D9}", L"{2E19F785-1E79-4B99-B29B-92B1135D237C}",
    L"{3283CC0A-CC2A-4AE6-8722-AB5809E5CC60}",
};

// Windows Installer products of each edition, one per generation, same order.
inline constexpr const wchar_t* kProductCodes64[] = {
    L"{A30DD716-F8E7-4F13-95AC-FD3CF9C5E466}", L"{0B40B1BF-134F-4AD6-966B-D9B325503E63}",
    L"{A3882C89-85BC-4089-B1D6-BC4A7941E703}", L"{AC5D622D-C62B-4EA5-827A-5CAC177F5183}",
    L"{7815E17D-6516-46C8-B819-A347634EE57B}",
};
inline constexpr const wchar_t* kProductCodes32[] = {
    L"{629979D7-7D32-47C8-9A84-CCADD2FCA4A9}", L"{CEE4415A-8E99-468C-875C-81A4B2036E7B}",
    L"{FC7E9D39-E420-49A2-BB9E-1BA1AB5EF790}", L"{AEEFC1E8-D0FB-4072-892D-76E0AE4134B6}",
    L"{D86D3EB4-B9CD-4CB2-87B8-99152AD171DE}",
};

// Uninstall entries that generations 2 (0-2), 3 (3-4) and 4 (5-6) left.
inline constexpr const wchar_t* kUninstallCodes[] = {
    L"{ABC3BB11-1A81-4D95-8CA4-5A0D73D8C244}", L"{FD628649-B585-487A-9134-0B539ECA06F2}",
    L"{523F100B-D06D-4DB7-9077-CCDCD9F56127}", L"{A9EAEFB1-55B8-4EE4-AE39-2033E08FFF0F}",
    L"{26866F84-26CE-4C91-ADE5-B223994CD27E}", L"{75F6BE76-700D-4825-9DFD-D042D2CAB97F}",
    L"{75F6BE76-700D-4825-9DFD-D042D2CAB970}",
};
// The entry generation 5 writes in the 32-bit view and its uninstall leaves.
inline constexpr wchar_t kUninstallEntryCode[] = L"{C9E3087F-1459-44C7-AF7C-A02F19387A63}";

// COM servers of earlier generations.
inline constexpr const wchar_t* kAppIds[] = {
    L"{9734A460-FA94-4B3E-81A9-F8F2115AC67B}",
    L"{7467C2C8-F053-4802-87B3-B43FD060205B}",
};
inline constexpr wchar_t kClassIdA[] = L"{5C39FBEE-7B1A-4CFA-AADF-299C33855642}";
inline constexpr wchar_t kClassIdB[] = L"{8EE0C29A-D52A-489F-99AD-9EEDC68E64DA}";
inline constexpr wchar_t kPolicyClassId[] = L"{A4604457-2CAF-4B46-A02C-B60B726DD9B6}";
inline constexpr wchar_t kClassIdD[] = L"{79B94241-86E1-4174-8C91-80ED14F887D1}";
inline constexpr const wchar_t* kOtherClassIds[] = {
    L"{ACFB0B5D-4134-479D-9367-5D03CFB8AA4E}", L"{5C1F3B8E-C058-4123-BE69-D1FC195007CE}",
    L"{0F0E09AA-83AC-4908-8902-0CC8E29B129E}", L"{00B8024E-22A1-4111-9282-66E7EF6CA75D}",
    L"{704429E3-E802-49CB-B4B7-37554B3D0CA2}", L"{CAFDD146-DCB1-4187-9AF4-9EE7F08AAD40}",
    L"{535418B1-EFA2-456D-90EE-A89D1E87F348}",
};
inline constexpr const wchar_t* kInterfaceIds[] = {
    L"{288FB209-EA35-4994-9221-E0526F8EF55C}", L"{463A39C6-C854-4E0F-8936-7492F8FFC6B8}",
    L"{990F3301-DA21-4D23-AEC5-19DFBD1EC2C4}", L"{96C82F84-85E1-48D7-AAA6-EE52D7752113}",
    L"{47908105-5DDD-4303-AC98-190DE6565FCE}", L"{B88F7CB6-2252-4BBD-B13F-0BB115F3D99E}",
    L"{DD7C722B-B386-4B62-B7E1-3E216AEA4A21}", L"{AC35852E-1479-454E-A267-A1A9158E20C2}",
    L"{9DDB745C-8481-4275-AC16-4EEC9063C66F}", L"{195B3269-4E31-4CBA-997B-8D1C64C0C918}",
    L"{FB9E489E-1480-4D74-88A8-F7774CEEDD2E}", L"{F427C19F-44E9-4CB4-A2D9-20659E28E462}",
};
inline constexpr const wchar_t* kTypeLibIds[] = {
    L"{5EB56A5B-EEE8-4E13-A234-9677782B7B06}",
    L"{E6B7C4C9-1A2C-4068-AD76-BB171C761E30}",
};

// The agent's automation object: {4D18EE20-37A1-4E62-84C8-E9E2F96B12D8} and
// its interface {4693B862-127E-4F0A-A401-287D9C9EC835}.
inline constexpr CLSID kAgentClassId = {0x4d18ee20,
                                        0x37a1,
                                        0x4e62,
                                        {0x84, 0xc8, 0xe9, 0xe2, 0xf9, 0x6b, 0x12, 0xd8}};
inline constexpr IID kAgentInterfaceId = {0x4693b862,
                                          0x127e,
                                          0x4f0a,
                                          {0xa4, 0x01, 0x28, 0x7d, 0x9c, 0x9e, 0xc8, 0x35}};

}  // namespace zu::outside
