#pragma once

// Windows Installer and COM identifiers that earlier generations of the client
// registered. The launcher removes what is left of them; the test machines lay
// them out. Braced codes are registry-form GUIDs in upper case; packed codes
// are the Windows Installer packed form (each of the first three groups
// reversed, then each of the last eight bytes with its two digits swapped).

namespace zu {

// Components of the 64-bit and the 32-bit edition, packed. Three (64-bit) and
// two or three (32-bit) per generation, in generation order 2, 3, 4, 5,
// unnumbered: 64-bit 0-2, 3-5, 6-8, 9-11, 12-14; 32-bit 0-1, 2-3, 4-5, 6-8, 9-10.
inline constexpr const wchar_t* kLegacyComponentCodes64[] = {
    L"D8029641768682C4C962AE01DC8CA5B5", L"A37791155352765499C0421EFD76DF7A",
    L"49CAB7D044A8B2D489306CC9A87BA29A", L"AE9A3CC486B75AC4482A6FE1AEF54586",
    L"D1309102ADB2EBB4D9DA7AE618CE4533", L"673CF76B5D9DF3A488868367DAF0574C",
    L"00F4E6A6956C97A42A89A84F9912366E", L"AD12E4CCA273CA9438A4FA7CB70DB14F",
    L"8FC05AB6EAEFCB44C843AD3122B4AA45", L"D99C088D6FC39AC4D9E45AE6A130D3AC",
    L"0E3058BA388CD8343A737E79FF41260E", L"202672350734BAF4A97973EFE18D0FDD",
    L"65E9D27DBB253E64F8281B6B655CFAA4", L"CA449CDDEEA3B164B8E6D087F990C395",
    L"523D6C7CED778564D955150A3F81BE6E",
};
inline constexpr const wchar_t* kLegacyComponentCodes32[] = {
    L"85678C8C11BFC6C47A8CAD69AC783736", L"39D01E39482700F4E9BD418969A8E04A",
    L"3C131172A3625384FA1908642812B53E", L"843BA775A4F4EF24E8376D9FC8AAB112",
    L"6B826F184196A4149898CAFCBD8C0F3F", L"4DBBEE54DFACBCF4FAD1A8B9E655BD9C",
    L"6B512418136862C4EB9691D08BA468CF", L"4BFFB0601CF92224B853A9E4639A5C32",
    L"4828ADB7E9C67D7488CEFE57EF8C809D", L"587F91E297E199B42BB9291B31D532C7",
    L"A0CC3823A2CC6EA47822BA85905ECC06",
};

// Windows Installer products of each edition, one per generation in the order
// 2, 3, 4, 5, unnumbered; the packed tables hold the same codes in the same order.
inline constexpr const wchar_t* kLegacyProductCodes64[] = {
    L"{A30DD716-F8E7-4F13-95AC-FD3CF9C5E466}", L"{0B40B1BF-134F-4AD6-966B-D9B325503E63}",
    L"{A3882C89-85BC-4089-B1D6-BC4A7941E703}", L"{AC5D622D-C62B-4EA5-827A-5CAC177F5183}",
    L"{7815E17D-6516-46C8-B819-A347634EE57B}",
};
inline constexpr const wchar_t* kLegacyPackedProductCodes64[] = {
    L"617DD03A7E8F31F459CADFC39F5C4E66", L"FB1B04B0F4316DA469B69D3B5205E336",
    L"98C2883ACB5898041B6DCBA497147E30", L"D226D5CAB26C5AE428A7C5CA71F71538",
    L"D71E518761568C648B913A7436E45EB7",
};
inline constexpr const wchar_t* kLegacyProductCodes32[] = {
    L"{629979D7-7D32-47C8-9A84-CCADD2FCA4A9}", L"{CEE4415A-8E99-468C-875C-81A4B2036E7B}",
    L"{FC7E9D39-E420-49A2-BB9E-1BA1AB5EF790}", L"{AEEFC1E8-D0FB-4072-892D-76E0AE4134B6}",
    L"{D86D3EB4-B9CD-4CB2-87B8-99152AD171DE}",
};
inline constexpr const wchar_t* kLegacyPackedProductCodes32[] = {
    L"7D97992623D78C74A948CCDA2DCF4A9A", L"A5144EEC99E8C86478C5184A2B30E6B7",
    L"93D9E7CF024E2A94BBE9B11ABAE57F09", L"8E1CFEEABF0D270498D2670EEA14436B",
    L"4BE3D68DDC9B2BC4788B9951A21D17ED",
};

// Further earlier products, removed on every machine in both views. The last
// two differ only in their last digit. Generation 2 left 0-2, generation 3 3-4,
// generation 4 5-6.
inline constexpr const wchar_t* kLegacyUninstallCodes[] = {
    L"{ABC3BB11-1A81-4D95-8CA4-5A0D73D8C244}", L"{FD628649-B585-487A-9134-0B539ECA06F2}",
    L"{523F100B-D06D-4DB7-9077-CCDCD9F56127}", L"{A9EAEFB1-55B8-4EE4-AE39-2033E08FFF0F}",
    L"{26866F84-26CE-4C91-ADE5-B223994CD27E}", L"{75F6BE76-700D-4825-9DFD-D042D2CAB97F}",
    L"{75F6BE76-700D-4825-9DFD-D042D2CAB970}",
};

// The uninstall entry that generation 5 writes in the 32-bit view beside its
// InstallShield registration and that its own uninstall leaves behind.
inline constexpr wchar_t kLegacyUninstallEntryCode[] = L"{C9E3087F-1459-44C7-AF7C-A02F19387A63}";

// COM servers of earlier generations (the agent "DARiziz.exe", the internet
// wrapper, the proxy/stub and control DLLs).
inline constexpr const wchar_t* kLegacyAppIds[] = {
    L"{9734A460-FA94-4B3E-81A9-F8F2115AC67B}",
    L"{7467C2C8-F053-4802-87B3-B43FD060205B}",
};
// Classes A and B are also registered as interfaces under the same GUID.
inline constexpr wchar_t kLegacyClassIdA[] = L"{5C39FBEE-7B1A-4CFA-AADF-299C33855642}";
inline constexpr wchar_t kLegacyClassIdB[] = L"{8EE0C29A-D52A-489F-99AD-9EEDC68E64DA}";
// The control class that the browser policy entries name.
inline constexpr wchar_t kLegacyPolicyClassId[] = L"{A4604457-2CAF-4B46-A02C-B60B726DD9B6}";
inline constexpr wchar_t kLegacyClassIdD[] = L"{79B94241-86E1-4174-8C91-80ED14F887D1}";
inline constexpr const wchar_t* kLegacyOtherClassIds[] = {
    L"{ACFB0B5D-4134-479D-9367-5D03CFB8AA4E}", L"{5C1F3B8E-C058-4123-BE69-D1FC195007CE}",
    L"{0F0E09AA-83AC-4908-8902-0CC8E29B129E}", L"{00B8024E-22A1-4111-9282-66E7EF6CA75D}",
    L"{704429E3-E802-49CB-B4B7-37554B3D0CA2}", L"{CAFDD146-DCB1-4187-9AF4-9EE7F08AAD40}",
    L"{535418B1-EFA2-456D-90EE-A89D1E87F348}",
};
inline constexpr const wchar_t* kLegacyInterfaceIds[] = {
    L"{288FB209-EA35-4994-9221-E0526F8EF55C}", L"{463A39C6-C854-4E0F-8936-7492F8FFC6B8}",
    L"{990F3301-DA21-4D23-AEC5-19DFBD1EC2C4}", L"{96C82F84-85E1-48D7-AAA6-EE52D7752113}",
    L"{47908105-5DDD-4303-AC98-190DE6565FCE}", L"{B88F7CB6-2252-4BBD-B13F-0BB115F3D99E}",
    L"{DD7C722B-B386-4B62-B7E1-3E216AEA4A21}", L"{AC35852E-1479-454E-A267-A1A9158E20C2}",
    L"{9DDB745C-8481-4275-AC16-4EEC9063C66F}", L"{195B3269-4E31-4CBA-997B-8D1C64C0C918}",
    L"{FB9E489E-1480-4D74-88A8-F7774CEEDD2E}", L"{F427C19F-44E9-4CB4-A2D9-20659E28E462}",
};
inline constexpr const wchar_t* kLegacyTypeLibIds[] = {
    L"{5EB56A5B-EEE8-4E13-A234-9677782B7B06}",
    L"{E6B7C4C9-1A2C-4068-AD76-BB171C761E30}",
};

}  // namespace zu
