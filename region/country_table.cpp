#include "region/country_table.h"

namespace zu {
namespace {

struct Country {
    const wchar_t* name;
    const wchar_t* code;
};

// Display order; each region forms one contiguous run.
constexpr Country kCountries[] = {
    {L"Japan", L"JP"},           {L"United States", L"US"},  {L"Canada", L"US"},
    {L"Argentina", L"US"},       {L"Chile", L"US"},          {L"Colombia", L"US"},
    {L"Mexico", L"US"},          {L"Panama", L"US"},         {L"Peru", L"US"},
    {L"Venezuela", L"US"},       {L"Brazil", L"US"},         {L"Bolivia", L"US"},
    {L"Costa Rica", L"US"},      {L"Ecuador", L"US"},        {L"Honduras", L"US"},
    {L"Nicaragua", L"US"},       {L"El Salvador", L"US"},    {L"Puerto Rico", L"US"},
    {L"Austria", L"EU"},         {L"Belgium", L"EU"},        {L"Bulgaria", L"EU"},
    {L"Cyprus", L"EU"},          {L"Czech Republic", L"EU"}, {L"Denmark", L"EU"},
    {L"Finland", L"EU"},         {L"France", L"EU"},         {L"Germany", L"EU"},
    {L"Greece", L"EU"},          {L"Hungary", L"EU"},        {L"Ireland", L"EU"},
    {L"Italy", L"EU"},           {L"Kazakhstan", L"EU"},     {L"Luxembourg", L"EU"},
    {L"The Netherlands", L"EU"}, {L"Norway", L"EU"},         {L"Poland", L"EU"},
    {L"Portugal", L"EU"},        {L"Romania", L"EU"},        {L"Russian Federation", L"EU"},
    {L"Slovakia", L"EU"},        {L"Spain", L"EU"},          {L"Sweden", L"EU"},
    {L"Switzerland", L"EU"},     {L"Turkey", L"EU"},         {L"Ukraine", L"EU"},
    {L"United Kingdom", L"EU"},  {L"Latvia", L"EU"},         {L"Lithuania", L"EU"},
    {L"Estonia", L"EU"},         {L"Serbia", L"EU"},         {L"Bosnia & Herzegovina", L"EU"},
    {L"Croatia", L"EU"},         {L"Slovenia", L"EU"},       {L"China", L"CN"},
    {L"Singapore", L"AP"},       {L"Malaysia", L"AP"},       {L"South Africa", L"AP"},
    {L"Indonesia", L"AP"},       {L"Australia", L"AP"},      {L"Vietnam", L"AP"},
    {L"India", L"AP"},           {L"Gulf & Africa", L"AP"},  {L"New Zealand", L"AP"},
    {L"Thailand", L"AP"},        {L"Philippines", L"AP"},    {L"Taiwan", L"AP"},
    {L"Hong Kong", L"AP"},       {L"Korea", L"AP"},
};

}  // namespace

void BuildCountryList(CountryList* list) {
    for (const Country& country : kCountries) {
        list->push_back(country.name);
    }
}

void BuildCountryRegionMap(CountryRegionMap* map) {
    for (const Country& country : kCountries) {
        map->emplace(country.name, country.code);
    }
}

RegionCode LookUpRegionCode(const CountryRegionMap& map, const std::wstring& name) {
    const auto found = map.find(name);
    return found == map.end() ? RegionCode() : found->second;
}

}  // namespace zu
